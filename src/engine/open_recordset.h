#pragma once

#include <string>

#include "platform/code_page.h"
#include "platform/database.h"
#include "platform/window_system.h"

namespace norvel {

// Opens a read-only, forward-only query and describes its result in fields. True means failed:
// an error (shown to the user with its description) or, with failIfEmpty, a result without rows
// (no message).
bool OpenRecordset(DatabaseConnection* connection, WindowSystem& windows,
                   const CodePage932& code_page, const std::string& sql, bool failIfEmpty,
                   QueryInfo& fields);

// The description of a failure, never empty: an error without words is still an error.
std::string DescriptionOf(const std::exception& error);

}  // namespace norvel
