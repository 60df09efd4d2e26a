#include "qt_text.h"

namespace norvel {

QString toQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString toDisplayLines(std::string_view utf8) {
  QString text = toQString(utf8);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

std::string toModelLines(const QString& text) {
  QString lines = text;
  lines.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return toUtf8(lines);
}

int displayPosition(std::string_view utf8, std::size_t byte_offset) {
  if (byte_offset > utf8.size()) byte_offset = utf8.size();
  return static_cast<int>(toDisplayLines(utf8.substr(0, byte_offset)).size());
}

}  // namespace norvel
