#include "engine/open_recordset.h"

#include "engine/messages.h"

namespace norvel {

std::string DescriptionOf(const std::exception& error) {
  std::string description = error.what();
  if (description.empty()) description = "不明なエラーが発生しました。";
  return description;
}

bool OpenRecordset(DatabaseConnection* connection, WindowSystem& windows,
                   const CodePage932& code_page, const std::string& sql, bool failIfEmpty,
                   QueryInfo& fields) {
  try {
    if (connection == nullptr) throw DatabaseError("The database connection is not open.");
    const QueryInfo info = connection->query(sql);
    if (failIfEmpty && info.eof) return true;
    fields = info;
    return false;
  } catch (const std::exception& error) {
    MsgWarning(windows, code_page, DescriptionOf(error));
    return true;
  }
}

}  // namespace norvel
