#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace norvel {

// The core's UTF-8 text and Qt's UTF-16 strings.
QString toQString(std::string_view utf8);
std::string toUtf8(const QString& text);

// Multi-line boxes keep CR LF in the model; a Qt text document knows only "\n".
QString toDisplayLines(std::string_view utf8);
std::string toModelLines(const QString& text);

// The number of UTF-16 units the display text of this UTF-8 prefix has: where a caret given in
// model bytes sits in the widget.
int displayPosition(std::string_view utf8, std::size_t byte_offset);

}  // namespace norvel
