#include "engine/error_description.h"

namespace norvel {

std::string descriptionOf(const std::exception& error) {
  std::string description = error.what();
  if (description.empty()) description = "不明なエラーが発生しました。";
  return description;
}

}  // namespace norvel
