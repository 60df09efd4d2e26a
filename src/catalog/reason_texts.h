#pragma once

#include <string>

#include "catalog/language.h"
#include "engine/failure_reason.h"
#include "engine/replacement_run.h"

namespace norvel {

// Why a pair or a name was refused, in words.
std::string failureReasonText(const FailureReason& reason, Language language);

// A failure's own text in the language: its reason's words where it has one, its situation's
// where the database services found it, else its description (the data source's words, or the
// run's).
std::string failureText(const RunFailure& failure, Language language);

}  // namespace norvel
