#pragma once

#include <cstdint>
#include <string>

#include "catalog/language.h"
#include "platform/database.h"

namespace norvel {

// How a count of rows is told: what a run did, or what a check found a run would do.
enum class CountTense {
  replaced,      // «件置換しました。»
  wouldReplace,  // «件置換されます。»
};

// «1,234件置換しました。»: a count of replaced rows as the run says it.
std::string replacedText(std::int64_t rows, CountTense tense = CountTense::replaced);
// A pair's count line: the count right-aligned in 24 columns, then «件置換しました。».
std::string resultLine(std::int64_t rows, CountTense tense = CountTense::replaced);

// The window's check (確認のみ): its total, and the last line of a check that went through.
std::string checkTotalText(std::int64_t rows);
std::string checkUnchangedLine();

// What a check says when the table's definition has the pairs applied one by one.
std::string perPairCauseText(PerPairCause cause);

// The failure of a run that was asked to stop.
std::string runInterruptedText(Language language);

// How a run that did not go through ended, for the last line of the window's status box and
// its message box.
enum class RunEnd {
  failed,          // a failure; the transaction was rolled back
  interrupted,     // a stop request; rolled back
  rollbackFailed,  // a failure, and rolling back failed too: nothing was committed
};
std::string runEndText(RunEnd end, bool check_only);

}  // namespace norvel
