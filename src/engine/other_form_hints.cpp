#include "engine/other_form_hints.h"

#include <algorithm>
#include <charconv>

#include "engine/code_forms.h"
#include "engine/number_text.h"
#include "engine/sql_text.h"
#include "pairs/code_check.h"
#include "pairs/pair_line.h"

namespace norvel {
namespace {

struct StoredForm {
  std::string form;
  std::int64_t rows = 0;
};

SqlStatement formsQuery(const RunTarget& target, std::string_view quote, int column_type,
                        const std::vector<std::string>& forms) {
  const NameDelimiters delimiters = delimitersFor(target.table);
  const std::string field = quoteName(target.field, delimiters, quote);
  SqlStatement statement("SELECT " + field + ", COUNT(*) FROM " +
                         quoteName(target.table, delimiters, quote) + " WHERE " + field + " IN (");
  for (std::size_t i = 0; i < forms.size(); ++i) {
    if (i > 0) statement.appendSql(", ");
    statement.appendValue({SqlValue::Kind::text, forms[i], column_type});
  }
  statement.appendSql(") GROUP BY " + field);
  return statement;
}

std::vector<StoredForm> storedForms(const QueryRows& rows) {
  std::vector<StoredForm> found;
  for (const auto& row : rows) {
    if (row.size() < 2 || !row[0] || !row[1]) continue;
    std::int64_t rows = 0;
    const std::string& count = *row[1];
    std::from_chars(count.data(), count.data() + count.size(), rows);
    if (rows > 0) found.push_back({*row[0], rows});
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const StoredForm& a, const StoredForm& b) { return a.rows > b.rows; });
  return found;
}

std::string hintText(std::size_t index, const RunPair& pair, const std::vector<StoredForm>& found) {
  std::string forms;
  for (const StoredForm& stored : found) {
    if (!forms.empty()) forms += "、";
    forms += "「" + controlCharsEscaped(stored.form) + "」（" + formatCount(stored.rows) + " 行）";
  }
  return formatCount(static_cast<std::int64_t>(index + 1)) + " 番目の置換ペア「" +
         controlCharsEscaped(pairDisplayLine(pair.old_code, pair.new_code)) +
         "」に一致する行はありません。このフィールドには" + forms + "の形で入っています。";
}

}  // namespace

std::vector<OtherFormHint> findOtherFormHints(DatabaseConnection& connection,
                                              const RunTarget& target,
                                              const std::vector<RunPair>& pairs,
                                              const std::vector<std::int64_t>& counts) {
  std::vector<OtherFormHint> hints;
  try {
    int column_type = ado::adEmpty;
    std::string quote;
    for (std::size_t i = 0; i < pairs.size() && i < counts.size(); ++i) {
      if (counts[i] != 0) continue;
      const std::vector<std::string> forms = otherFormsOfCode(pairs[i].old_code);
      if (forms.empty()) continue;
      if (column_type == ado::adEmpty) {
        quote = connection.identifierQuote();
        column_type =
            connection.query(buildProbe(target.table, target.field, quote)).first_column_type;
        // A number field holds 1000001 whichever way the pair wrote it.
        if (columnKindOf(column_type) != ColumnKind::text) return hints;
      }
      const std::vector<StoredForm> found =
          storedForms(connection.queryRows(formsQuery(target, quote, column_type, forms)));
      if (!found.empty()) hints.push_back({i, hintText(i, pairs[i], found)});
    }
  } catch (const DatabaseError&) {
    // Advice only: a data source that cannot answer leaves the hints found so far.
  }
  return hints;
}

}  // namespace norvel
