#include "app/batch/language_choice.h"

namespace norvel::batch {

// gettext reads the locale itself here; this answers only when nothing in the environment does.
Language systemLanguage() {
  return Language::english;
}

}  // namespace norvel::batch
