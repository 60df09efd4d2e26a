#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "pairs/code_check.h"

namespace norvel {

// Why the run refused a pair or a name before any statement reached the data source, as the
// catalogue words it (failureReasonText): a kind and the values it names.
enum class FailureReasonKind {
  undecodableBytes,  // a code holds bytes that were not text in the pair list file
  controlChar,       // a code holds a control character
  notANumber,        // a code is not wholly a number, for a numeric field
  unquotableName,    // a name the data source gives no quote for
};

struct FailureReason {
  FailureReasonKind kind;
  std::string subject;  // the code or the name
  std::string field;    // notANumber: the field
};

FailureReason reasonOfCode(CodeProblem problem, std::string code);

// Thrown where a reason stops a statement being built; what() is the window's words.
class ReasonError : public std::invalid_argument {
 public:
  explicit ReasonError(FailureReason reason);
  const FailureReason& reason() const { return reason_; }

 private:
  FailureReason reason_;
};

}  // namespace norvel
