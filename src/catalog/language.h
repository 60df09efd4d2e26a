#pragma once

namespace norvel {

// The language a text is wanted in. The window speaks Japanese; norvel-batch follows the
// user's locale.
enum class Language {
  japanese,
  english,
};

}  // namespace norvel
