#pragma once

#include <string>
#include <string_view>

namespace norvel::win32 {

// The model's text as an EDIT control shows it: every line end CR LF, whichever the model holds.
std::wstring editText(std::string_view text);

// The model's "description|pattern|…" filter as OPENFILENAMEW wants it: NUL-separated pairs,
// ended by a second NUL.
std::wstring openDialogFilter(std::string_view filter);

}  // namespace norvel::win32
