#include "open_dialog_filter.h"

#include "qt_text.h"

namespace norvel {
namespace {

QString nameFilter(const QString& description, const QString& pattern) {
  QStringList patterns = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (QString& p : patterns) p = p.trimmed();
  const QString joined = patterns.join(QLatin1Char(' '));
  // Qt reads the patterns from the last parentheses of the entry.
  if (description.endsWith(QLatin1Char('(') + joined + QLatin1Char(')'))) return description;
  if (description.isEmpty()) return joined + QStringLiteral(" (") + joined + QLatin1Char(')');
  return description + QStringLiteral(" (") + joined + QLatin1Char(')');
}

}  // namespace

QStringList qtNameFilters(std::string_view filter, std::string_view default_ext) {
  QStringList result;
  const QStringList parts = toQString(filter).split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i + 1].trimmed().isEmpty()) continue;
    result << nameFilter(parts[i], parts[i + 1]);
  }
  const QString ext = toQString(default_ext).toLower();
  if (ext == QLatin1String("mdb")) {
    result << QStringLiteral("対応するすべてのファイル (*.mdb *.accdb *.sqlite *.sqlite3 *.db)")
           << QStringLiteral("SQLite (*.sqlite *.db *.sqlite3)");
  }
  if (ext == QLatin1String("xls")) {
    result << QStringLiteral("対応するすべてのファイル (*.xls *.xlsx)")
           << QStringLiteral("Excel (*.xlsx)");
  }
  result << QStringLiteral("All files (*)");
  result.removeDuplicates();
  return result;
}

}  // namespace norvel
