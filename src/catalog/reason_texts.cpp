#include "catalog/reason_texts.h"

#include "catalog/situation_texts.h"
#include "pairs/code_check.h"

namespace norvel {

std::string failureReasonText(const FailureReason& reason, Language language) {
  const bool japanese = language == Language::japanese;
  const std::string code = controlCharsEscaped(reason.subject);
  switch (reason.kind) {
    case FailureReasonKind::undecodableBytes:
      return japanese ? "コード「" + code + "」には文字として読めないバイトが含まれています。"
                      : "The code \"" + code + "\" holds bytes that could not be read as text.";
    case FailureReasonKind::controlChar:
      return japanese ? "コード「" + code + "」には制御文字が含まれています。"
                      : "The code \"" + code + "\" holds a control character.";
    case FailureReasonKind::notANumber:
      // A code that reaches this far holds no control character to escape.
      return japanese ? "「" + reason.subject + "」は数値ではないため、数値型のフィールド「" +
                            reason.field + "」の置換に使えません。"
                      : "\"" + reason.subject +
                            "\" is not a number, so it cannot be used to replace codes in the "
                            "numeric field \"" +
                            reason.field + "\".";
    case FailureReasonKind::unquotableName:
      return japanese ? "名前「" + reason.subject +
                            "」を安全に SQL に書けません。このデータソースには名前を囲む"
                            "引用符がありません。"
                      : "The name \"" + reason.subject +
                            "\" cannot be written safely in SQL: this data source has no quote "
                            "for names.";
  }
  return {};
}

std::string failureText(const RunFailure& failure, Language language) {
  if (failure.reason) return failureReasonText(*failure.reason, language);
  if (failure.error && failure.error->situation() != DatabaseSituation::none) {
    return situationText(*failure.error, language);
  }
  return failure.description;
}

}  // namespace norvel
