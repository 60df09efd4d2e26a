#pragma once

#include <string>

#include "catalog/language.h"
#include "engine/other_form_hints.h"
#include "pairs/pair_file_reader.h"
#include "pairs/pair_list_review.h"

namespace norvel {

// A pair the user may not have meant, named by its position and its codes.
std::string pairFindingText(const PairFinding& finding, Language language);

// What kept a pair list file, or some of its lines, out of the list: the file and the lines.
std::string pairFileProblemText(const PairFileProblem& problem, Language language);

// A pair that matched no row, and the forms its code has in the field.
std::string otherFormHintText(const OtherFormHint& hint, Language language);

}  // namespace norvel
