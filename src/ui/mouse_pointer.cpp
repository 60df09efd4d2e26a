#include "ui/mouse_pointer.h"

namespace norvel {

clsMousePointer::clsMousePointer(Form& form)
    : form_(form), saved_(static_cast<std::int16_t>(form.applicationPointer())) {}

clsMousePointer::~clsMousePointer() {
  form_.setApplicationPointer(saved_);
}

std::int16_t clsMousePointer::Busy() {
  return SetCursor(kPointerHourglass);
}

std::int16_t clsMousePointer::SetCursor(std::int16_t intMousePointer) {
  const std::int16_t previous = current_;
  current_ = intMousePointer;
  form_.setApplicationPointer(current_);
  return previous;
}

}  // namespace norvel
