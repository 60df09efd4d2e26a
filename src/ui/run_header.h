#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "engine/replacement_run.h"

namespace norvel {

// What the status box's header lines begin with, so that runs are told apart.
inline constexpr std::string_view kRunHeaderMark = "――";

// The status box's first line of a run: local time, table, field and the number of pairs; a
// check says so.
std::string runHeaderLine(std::time_t when, const RunTarget& target, std::size_t pairs,
                          RunMode mode);

// `when` in local time, in strftime's `format` ("%H:%M:%S" gives the clock time).
std::string localTimeText(std::time_t when, const char* format);

// The first line of an undo: local time, table, field, and the time of the run it undoes.
std::string undoHeaderLine(std::time_t when, const RunTarget& target, std::time_t undone);

}  // namespace norvel
