#pragma once

#include <QLocale>
#include <QTranslator>

namespace norvel {

// The window is a Japanese program: Qt's own texts (the file dialog, standard buttons) come in
// Japanese from Qt's translation when it is installed, and numbers and dates follow Japanese
// conventions. In force for as long as the object lives; create it after the QApplication.
class JapaneseUi {
 public:
  JapaneseUi();
  ~JapaneseUi();
  JapaneseUi(const JapaneseUi&) = delete;
  JapaneseUi& operator=(const JapaneseUi&) = delete;

  // False when Qt's Japanese translation is not installed: Qt's texts stay English.
  bool translated() const { return translated_; }

 private:
  QLocale previous_;
  QTranslator qt_;
  bool translated_ = false;
};

}  // namespace norvel
