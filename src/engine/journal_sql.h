#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_journal.h"
#include "engine/sql_text.h"
#include "platform/database.h"
#include "platform/sql_statement.h"

namespace norvel {

// A worksheet's rows are named by the sheet and the row number, as a user finds them in the
// workbook; the table is "<sheet>$" and the row number has an SQL name of its own.
inline const std::vector<std::string> kWorksheetIdentity = {"sheet", "row"};

// How a journal's identity columns are read and matched in SQL: the columns themselves, or for
// a worksheet the row number alone, the sheet being the table's.
struct IdentitySql {
  std::vector<std::string> columns;
  std::optional<std::string> sheet;  // the value of the identity's first column, read from none
};
IdentitySql identitySql(DatabaseConnection& connection, const std::string& table,
                        const std::vector<std::string>& identity);

// The rows one pair's UPDATE is about to change, read in the same transaction: the identity
// columns in order, then the field. `old_value` as the UPDATE compares it (none: IS NULL).
SqlStatement buildRowsOfPair(std::string_view table, std::string_view field,
                             const std::vector<std::string>& identity,
                             const std::optional<SqlValue>& old_value, const NameQuoting& quoting);

// Puts one row back: the field set to `restored` where the row named by `identity_values` still
// holds `current` (none: NULL), so that a later change is never overwritten.
SqlStatement buildRowRestore(std::string_view table, std::string_view field,
                             const std::vector<std::string>& identity,
                             const std::vector<SqlValue>& identity_values,
                             const std::optional<SqlValue>& current,
                             const std::optional<SqlValue>& restored, const NameQuoting& quoting);

// The rows read by buildRowsOfPair over `identity`'s columns, with the sheet's name first where
// it has one.
std::vector<JournaledRow> journaledRows(const QueryRows& rows, const IdentitySql& identity);

// Why a run that applied every pair was rolled back instead of committed.
std::string journalFailureText(const std::string& description);

}  // namespace norvel
