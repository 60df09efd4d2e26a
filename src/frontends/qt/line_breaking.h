#pragma once

#include <QChar>

class QTextLayout;

namespace norvel {

// Japanese line breaking (kinsoku): closing brackets, 。、 and the like never begin a line and
// opening brackets never end one.
bool mayBeginLine(QChar c);
bool mayEndLine(QChar c);

// Lays out the layout's text (between beginLayout and endLayout, done here) in rows of `width`,
// moving the last characters of a row down to the next where the next would begin with a
// character that may not begin a line, or the row would end with one that may not end it.
void layoutRows(QTextLayout& layout, qreal width);

}  // namespace norvel
