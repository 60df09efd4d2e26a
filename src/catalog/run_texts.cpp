#include "catalog/run_texts.h"

#include <string_view>

#include "text/number_text.h"

namespace norvel {
namespace {

constexpr std::size_t kCountColumns = 24;
constexpr std::string_view kCheckOnly = "（確認のみ）";
constexpr std::string_view kUnchanged = "変更はしていません。";

std::string_view countWords(CountTense tense) {
  return tense == CountTense::replaced ? "件置換しました。" : "件置換されます。";
}

}  // namespace

std::string replacedText(std::int64_t rows, CountTense tense) {
  return formatCount(rows) + std::string(countWords(tense));
}

std::string resultLine(std::int64_t rows, CountTense tense) {
  std::string count = formatCount(rows);
  if (count.size() < kCountColumns) count.insert(0, kCountColumns - count.size(), ' ');
  return count + std::string(countWords(tense));
}

std::string checkTotalText(std::int64_t rows) {
  return std::string(kCheckOnly) + replacedText(rows, CountTense::wouldReplace) +
         std::string(kUnchanged);
}

std::string checkUnchangedLine() {
  return std::string(kCheckOnly) + std::string(kUnchanged);
}

std::string perPairCauseText(PerPairCause cause) {
  switch (cause) {
    case PerPairCause::updateTriggers:
      return "テーブルに更新時に動くトリガーまたはルールがあるため、1組ずつ置換します。";
    case PerPairCause::uniqueIndex:
      return "フィールドに一意のインデックスまたは制約があるため、1組ずつ置換します。";
    case PerPairCause::none:
      break;
  }
  return {};
}

std::string runInterruptedText(Language language) {
  if (language == Language::japanese) return "実行を中断しました。何もコミットしていません。";
  return "The run was interrupted; nothing was committed.";
}

std::string runEndText(RunEnd end, bool check_only) {
  if (check_only) {
    switch (end) {
      case RunEnd::failed:
      case RunEnd::rollbackFailed:
        return std::string(kCheckOnly) + "エラーのため確認を中止しました。" +
               std::string(kUnchanged);
      case RunEnd::interrupted:
        return std::string(kCheckOnly) + "確認を中断しました。" + std::string(kUnchanged);
    }
  }
  switch (end) {
    case RunEnd::failed:
      return "エラーのため、すべての置換を取り消しました（ロールバック）。データは何も変わって"
             "いません。";
    case RunEnd::interrupted:
      return "中断したため、すべての置換を取り消しました（ロールバック）。データは何も変わって"
             "いません。";
    case RunEnd::rollbackFailed:
      return "エラーのため、置換はコミットしていません。取り消し（ロールバック）にも失敗したため、"
             "接続を閉じるまで変更がデータベースに保留されることがあります。";
  }
  return {};
}

}  // namespace norvel
