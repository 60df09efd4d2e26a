#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/language.h"
#include "platform/database.h"

namespace norvel {

// What a kind of data source failure means for the user, as one sentence; empty where the
// data source's own text says all there is (an uncategorized failure, English, whose driver
// texts are English already).
std::string errorCategorySentence(DatabaseErrorCategory category, Language language);

// A failure as the user reads it: the sentence of its category, CR LF, then the data source's
// own text; a failure that is no data source's (a refusal of a code) as its text alone.
std::string failureMessage(std::string_view description, const std::optional<DatabaseError>& error,
                           Language language);
std::string failureMessage(const std::exception& error, Language language);

// The description of a failure, never empty: an error without words is still an error. A
// situation the database services found is worded in the language.
std::string descriptionOf(const std::exception& error, Language language = Language::japanese);

// Why a run on this connection will fail to write, said right after connecting; empty when
// nothing is known to stand in the way, and in English (the run's failure then says it in the
// data source's words). `folder_writable`: a database file's folder (its journal and the saved
// workbook are written there).
// How the front end calls the run that changes nothing: the window's 確認のみ (Shift+開始),
// norvel-batch's --dry-run.
enum class CheckName { window, batch };
std::string writeWarning(WriteBarrier barrier, bool folder_writable, Language language,
                         CheckName check);

}  // namespace norvel
