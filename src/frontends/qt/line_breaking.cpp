#include "line_breaking.h"

#include <QStringView>
#include <QTextLayout>

namespace norvel {
namespace {

// JIS X 4051's characters not to begin a line (closing brackets, punctuation, iteration marks,
// small kana and the prolonged sound mark), full and half width.
constexpr QStringView kNoBegin =
    u"、。，．・：；？！゛゜ヽヾゝゞ々〻ー―‐…‥」』）］｝〉》】〕〙〗’”｠»"
    u"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ"
    u",.:;?!)]}｡｣､･ｧｨｩｪｫｬｭｮｯｰﾞﾟ";
// Not to end a line: opening brackets.
constexpr QStringView kNoEnd = u"「『（［｛〈《【〔〘〖‘“｟«([{｢";

}  // namespace

bool mayBeginLine(QChar c) {
  return !kNoBegin.contains(c);
}

bool mayEndLine(QChar c) {
  return !kNoEnd.contains(c);
}

void layoutRows(QTextLayout& layout, qreal width) {
  const QString& text = layout.text();
  layout.beginLayout();
  for (;;) {
    QTextLine row = layout.createLine();
    if (!row.isValid()) break;
    row.setLineWidth(width);
    const int start = row.textStart();
    int length = row.textLength();
    // Pushed down one character at a time, but never emptied: a row of nothing but closing
    // brackets keeps its width.
    while (length > 1 && start + length < text.size() &&
           (!mayBeginLine(text[start + length]) || !mayEndLine(text[start + length - 1]) ||
            text[start + length].isLowSurrogate())) {
      --length;
    }
    if (length != row.textLength()) row.setNumColumns(length);
  }
  layout.endLayout();
}

}  // namespace norvel
