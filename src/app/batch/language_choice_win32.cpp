#include <windows.h>

#include "app/batch/language_choice.h"

namespace norvel::batch {

Language systemLanguage() {
  return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::japanese
                                                                      : Language::english;
}

}  // namespace norvel::batch
