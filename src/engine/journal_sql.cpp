#include "engine/journal_sql.h"

namespace norvel {

SqlStatement buildRowsOfPair(std::string_view table, std::string_view field,
                             const std::vector<std::string>& identity,
                             const std::optional<SqlValue>& old_value, const NameQuoting& quoting) {
  const NameDelimiters d = delimitersFor(table, quoting);
  const std::string quoted_field = quoteName(field, d, quoting.identifier_quote);
  std::string columns;
  for (const std::string& column : identity) {
    columns += quoteName(column, d, quoting.identifier_quote) + ", ";
  }
  SqlStatement statement("SELECT " + columns + quoted_field + " FROM " +
                         quoteName(table, d, quoting.identifier_quote) + " WHERE " + quoted_field);
  if (old_value) {
    statement.appendSql(" = ");
    statement.appendValue(*old_value);
  } else {
    statement.appendSql(" IS NULL");
  }
  return statement;
}

SqlStatement buildRowRestore(std::string_view table, std::string_view field,
                             const std::vector<std::string>& identity,
                             const std::vector<SqlValue>& identity_values,
                             const std::optional<SqlValue>& current,
                             const std::optional<SqlValue>& restored, const NameQuoting& quoting) {
  const NameDelimiters d = delimitersFor(table, quoting);
  const std::string quoted_field = quoteName(field, d, quoting.identifier_quote);
  SqlStatement statement("UPDATE " + quoteName(table, d, quoting.identifier_quote) + " SET " +
                         quoted_field + " = ");
  if (restored) {
    statement.appendValue(*restored);
  } else {
    statement.appendSql("NULL");
  }
  statement.appendSql(" WHERE " + quoted_field);
  if (current) {
    statement.appendSql(" = ");
    statement.appendValue(*current);
  } else {
    statement.appendSql(" IS NULL");
  }
  for (std::size_t i = 0; i < identity.size() && i < identity_values.size(); ++i) {
    statement.appendSql(" AND " + quoteName(identity[i], d, quoting.identifier_quote) + " = ");
    statement.appendValue(identity_values[i]);
  }
  return statement;
}

IdentitySql identitySql(DatabaseConnection& connection, const std::string& table,
                        const std::vector<std::string>& identity) {
  if (identity == kWorksheetIdentity) {
    if (std::optional<std::string> row = connection.worksheetRowName(table)) {
      const bool named = table.size() > 1 && table.back() == '$';
      return {{*row}, named ? table.substr(0, table.size() - 1) : table};
    }
  }
  return {identity, std::nullopt};
}

std::vector<JournaledRow> journaledRows(const QueryRows& rows, const IdentitySql& identity) {
  std::vector<JournaledRow> journaled;
  journaled.reserve(rows.size());
  for (const auto& row : rows) {
    if (row.size() != identity.columns.size() + 1) {
      throw DatabaseError("The data source returned a row of the wrong width for the journal.");
    }
    JournaledRow entry;
    if (identity.sheet) entry.identity.push_back(*identity.sheet);
    entry.identity.insert(entry.identity.end(), row.begin(), row.end() - 1);
    entry.old_value = row.back();
    journaled.push_back(std::move(entry));
  }
  return journaled;
}

std::string journalFailureText(const std::string& description) {
  return "The run journal could not be written, so the run was rolled back and nothing was "
         "changed: " +
         description;
}

}  // namespace norvel
