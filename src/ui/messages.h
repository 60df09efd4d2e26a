#pragma once

#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/window_system.h"

namespace norvel {

inline constexpr std::string_view kProgramTitle = "郵便番号置換ユーティリティ";
inline constexpr std::int32_t kMinimumMessageBytes = 60;

// The text a message box shows: widened with blanks to 60 bytes of code page 932.
std::string padMessage(const CodePage932& code_page, std::string_view message);

// Every message box of the program: warning or information icon, the program's title, one OK.
void MsgWarning(WindowSystem& windows, const CodePage932& code_page, std::string_view message);
void MsgInfo(WindowSystem& windows, const CodePage932& code_page, std::string_view message);
// A question with the question icon and the program's title; はい is the default button.
MessageAnswer askUser(WindowSystem& windows, const CodePage932& code_page, std::string_view message,
                      MessageButtons buttons);

}  // namespace norvel
