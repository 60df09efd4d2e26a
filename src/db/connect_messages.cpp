#include "db/connect_messages.h"

#include "db/connection_string.h"

namespace norvel {

std::string openFailureMessage(std::string_view connection_string, std::string_view description) {
  return "データベースをオープンできません\r\n" + maskPasswords(connection_string) + "\r\n" +
         std::string(description);
}

std::string fieldListFailureMessage(std::string_view description) {
  return "フィールド名列挙時にエラーが発生しました。\r\n" + std::string(description);
}

}  // namespace norvel
