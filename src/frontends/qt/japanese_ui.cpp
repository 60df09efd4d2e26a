#include "japanese_ui.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace norvel {

JapaneseUi::JapaneseUi() {
  const QLocale japanese(QLocale::Japanese, QLocale::Japan);
  QLocale::setDefault(japanese);
  // "qt" loads the per-module catalogues (qtbase_ja …) that Debian ships.
  translated_ = qt_.load(japanese, QStringLiteral("qt"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
                QCoreApplication::installTranslator(&qt_);
}

JapaneseUi::~JapaneseUi() {
  if (translated_) QCoreApplication::removeTranslator(&qt_);
  QLocale::setDefault(previous_);
}

}  // namespace norvel
