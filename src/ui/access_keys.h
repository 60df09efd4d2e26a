#pragma once

#include <string>
#include <string_view>

#include "ui/window_model.h"

namespace norvel {

// The access key of a caption: the character after a single "&" ("&&" is a literal ampersand),
// ASCII letters upper-cased; 0 when the caption has none.
char32_t accessKey(std::string_view caption);

// The caption as it is drawn: the marks gone, "&&" as one "&".
std::string withoutAccessMarks(std::string_view caption);

// Where a press of an access key goes, as the Windows dialog manager decides it: to the next
// control after `from` in tab order, wrapping around, that can take the focus and whose caption
// carries the key. Several controls share a key: each press moves the focus on to the next one
// and presses none.
struct AccessKeyTarget {
  Control* control = nullptr;  // null when no control can take the key now
  bool press = false;          // the only control with the key: pressed, not just focused
};
AccessKeyTarget accessKeyTarget(const Form& form, char32_t key, const Control* from);

}  // namespace norvel
