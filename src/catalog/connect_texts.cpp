#include "catalog/connect_texts.h"

#include "db/connection_string.h"

namespace norvel {

std::string openFailureMessage(std::string_view connection_string, std::string_view description,
                               Language language) {
  const char* sentence = language == Language::japanese ? "データベースをオープンできません"
                                                        : "Cannot open the database";
  return sentence + std::string("\r\n") + maskPasswords(connection_string) + "\r\n" +
         std::string(description);
}

std::string fieldListFailureMessage(std::string_view description, Language language) {
  const char* sentence = language == Language::japanese
                             ? "フィールド名列挙時にエラーが発生しました。"
                             : "Listing the names of the fields failed.";
  return sentence + std::string("\r\n") + std::string(description);
}

std::string missingInputText(MissingInput missing, Language language) {
  const bool japanese = language == Language::japanese;
  switch (missing) {
    case MissingInput::databasePath:
      return japanese ? "MDBファイルのパスを入力してください" : "Enter the path of the MDB file";
    case MissingInput::userAndPassword:
      return japanese ? "ユーザ名、パスワードを入力してください"
                      : "Enter the user name and the password";
    case MissingInput::workbookPath:
      return japanese ? "Excelファイルのパスを入力してください"
                      : "Enter the path of the Excel file";
    case MissingInput::connectionString:
      return japanese ? "Active Data Object 接続文字列を入力してください"
                      : "Enter the Active Data Object connection string";
  }
  return {};
}

std::string notConnectedText(Language language) {
  return language == Language::japanese ? "データベースに接続されていません。"
                                        : "Not connected to a database.";
}

}  // namespace norvel
