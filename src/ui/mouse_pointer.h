#pragma once

#include <cstdint>

#include "ui/window_model.h"

namespace norvel {

// The busy pointer of one action: shows the hourglass and puts back, on release, the pointer it
// found when it was created.
class clsMousePointer {
 public:
  explicit clsMousePointer(Form& form);
  ~clsMousePointer();
  clsMousePointer(const clsMousePointer&) = delete;
  clsMousePointer& operator=(const clsMousePointer&) = delete;

  std::int16_t Busy();
  std::int16_t SetCursor(std::int16_t intMousePointer);

 private:
  Form& form_;
  std::int16_t saved_;
  std::int16_t current_ = 0;
};

}  // namespace norvel
