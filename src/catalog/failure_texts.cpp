#include "catalog/failure_texts.h"

#include "catalog/situation_texts.h"

namespace norvel {

std::string errorCategorySentence(DatabaseErrorCategory category, Language language) {
  if (language != Language::japanese) return {};
  using Category = DatabaseErrorCategory;
  switch (category) {
    case Category::readOnly:
      return "データベースが読み取り専用のため、書き込めません。";
    case Category::permission:
      return "書き込む権限がありません。";
    case Category::busy:
      return "データベースが他の接続にロックされています（使用中）。しばらくしてからやり直して"
             "ください。";
    case Category::connectionLost:
      return "データベースとの接続が切れました。";
    case Category::constraint:
      return "テーブルの制約（一意・外部キー・CHECK・NOT NULL・トリガーなど）により変更が拒否"
             "されました。";
    case Category::diskFull:
      return "ディスクに空きがないため、書き込めません。";
    case Category::connection:
      return "データベースに接続できません。";
    case Category::syntax:
      return "テーブルまたはフィールドが見つからないか、SQL が受け付けられませんでした。";
    case Category::interrupted:
      return "処理が中断されました。";
    case Category::other:
      return "データベースでエラーが発生しました。";
  }
  return {};
}

std::string failureMessage(std::string_view description, const std::optional<DatabaseError>& error,
                           Language language) {
  if (!error) return std::string(description);
  std::string sentence = errorCategorySentence(error->category(), language);
  if (sentence.empty()) return std::string(description);
  return sentence + "\r\n" + std::string(description);
}

std::string failureMessage(const std::exception& error, Language language) {
  const auto* database_error = dynamic_cast<const DatabaseError*>(&error);
  return failureMessage(
      descriptionOf(error, language),
      database_error != nullptr ? std::optional<DatabaseError>(*database_error) : std::nullopt,
      language);
}

std::string descriptionOf(const std::exception& error, Language language) {
  const auto* database_error = dynamic_cast<const DatabaseError*>(&error);
  std::string description = database_error != nullptr ? situationText(*database_error, language)
                                                      : std::string(error.what());
  if (description.empty()) description = "不明なエラーが発生しました。";
  return description;
}

std::string writeWarning(WriteBarrier barrier, bool folder_writable, Language language,
                         CheckName check) {
  if (language != Language::japanese) return {};
  const std::string_view run_fails =
      check == CheckName::window ? "置換を実行しても失敗します（確認のみの実行はできます）。"
                                 : "置換を実行しても失敗します（--dry-run はできます）。";
  std::string reason;
  switch (barrier) {
    case WriteBarrier::readOnlyFile:
      reason = "このデータベースファイルは読み取り専用です。";
      break;
    case WriteBarrier::readOnlyTransaction:
      reason = "このデータベースには、この接続では読み取りしかできません。";
      break;
    case WriteBarrier::none:
      if (folder_writable) return {};
      reason = "データベースファイルのフォルダーに書き込めません。";
      break;
  }
  return reason + std::string(run_fails);
}

}  // namespace norvel
