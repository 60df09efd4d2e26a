#pragma once

#include <QChar>
#include <QString>

#include "ui/window_model.h"

namespace norvel {

// The access key of a caption, the character after a single "&", upper-cased; null when the
// caption has none.
QChar accessKey(const QString& caption);

// Where a press of an access key goes, as the Windows dialog manager decides it: to the next
// control after `from` in tab order, wrapping around, that can take the focus and whose caption
// carries the key. Several controls share a key: each press moves the focus on to the next one.
struct AccessKeyTarget {
  Control* control = nullptr;  // null when no control can take the key now
  bool press = false;          // the only control with the key: pressed, not just focused
};
AccessKeyTarget accessKeyTarget(const Form& form, QChar key, const Control* from);

}  // namespace norvel
