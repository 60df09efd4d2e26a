#pragma once

#include <string>
#include <string_view>

#include "catalog/failure_texts.h"
#include "catalog/language.h"
#include "platform/database.h"
#include "platform/file_system.h"

namespace norvel {

// Why a run through a connection just opened would fail to write, in the user's words: the
// data source's own word on it, or a database file's folder that may not be written (its
// journal and the saved workbook go there). Empty when nothing is known to stand in the way.
// A warning only: a check (a dry run) still works.
std::string writeWarningOf(DatabaseConnection& connection, std::string_view database_file,
                           const FileSystem& files, Language language, CheckName check);

}  // namespace norvel
