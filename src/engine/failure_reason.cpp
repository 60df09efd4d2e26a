#include "engine/failure_reason.h"

#include <utility>

#include "catalog/reason_texts.h"

namespace norvel {

FailureReason reasonOfCode(CodeProblem problem, std::string code) {
  return {problem == CodeProblem::undecodableBytes ? FailureReasonKind::undecodableBytes
                                                   : FailureReasonKind::controlChar,
          std::move(code),
          {}};
}

ReasonError::ReasonError(FailureReason reason)
    : std::invalid_argument(failureReasonText(reason, Language::japanese)),
      reason_(std::move(reason)) {}

}  // namespace norvel
