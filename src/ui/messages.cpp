#include "ui/messages.h"

#include "engine/byte_width_text.h"

namespace norvel {

std::string padMessage(const CodePage932& code_page, std::string_view message) {
  if (AnsiByteLength(code_page, message) >= kMinimumMessageBytes) return std::string(message);
  std::string widened(message);
  widened.append(static_cast<std::size_t>(kMinimumMessageBytes), ' ');
  return AnsiLeft(code_page, widened, kMinimumMessageBytes);
}

void MsgWarning(WindowSystem& windows, const CodePage932& code_page, std::string_view message) {
  windows.showMessageBox(padMessage(code_page, message), std::string(kProgramTitle),
                         MessageIcon::warning);
}

void MsgInfo(WindowSystem& windows, const CodePage932& code_page, std::string_view message) {
  windows.showMessageBox(padMessage(code_page, message), std::string(kProgramTitle),
                         MessageIcon::information);
}

MessageAnswer askUser(WindowSystem& windows, const CodePage932& code_page, std::string_view message,
                      MessageButtons buttons) {
  return windows.askQuestion(padMessage(code_page, message), std::string(kProgramTitle), buttons);
}

}  // namespace norvel
