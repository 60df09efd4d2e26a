#include "xlsx/sheet_copy.h"

#include <sqlite3.h>

#include <algorithm>
#include <vector>

#include "platform/sql_statement.h"
#include "platform/sqlite/sqlite_handles.h"
#include "xlsx/cell_reference.h"

namespace norvel::xlsx {

namespace {

using sqlite::quoteIdentifier;

constexpr const char* kLockedCells = "norvel_locked_cells";
constexpr const char* kRefuse = "norvel_refuse";

// Fails the statement that calls it with its argument as the message.
void refuse(sqlite3_context* context, int, sqlite3_value** arguments) {
  const auto* message = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
  sqlite3_result_error(context, message != nullptr ? message : "", -1);
}

void createTable(MemoryDatabase& db, const std::string& table_name, const SheetLayout& layout) {
  std::string sql = "CREATE TABLE main." + quoteIdentifier(table_name) + "(";
  for (std::size_t i = 0; i < layout.fields.size(); ++i) {
    if (i > 0) sql += ", ";
    sql += quoteIdentifier(layout.fields[i].name);
    sql += layout.fields[i].numeric ? " REAL" : " TEXT COLLATE NOCASE";
  }
  db.execute(sql + ")");
}

void createChangeTriggers(MemoryDatabase& db, std::size_t sheet_index,
                          const std::string& sheet_name, const std::string& table_name,
                          const SheetLayout& layout, const std::vector<bool>& has_locked_cells) {
  const std::string table = "main." + quoteIdentifier(table_name);
  const std::string sheet = std::to_string(sheet_index);
  const std::string row = "old." + layout.row_alias;
  for (std::size_t i = 0; i < layout.fields.size(); ++i) {
    const std::string field = quoteIdentifier(layout.fields[i].name);
    const std::string index = std::to_string(i);
    // BINARY: a change of letter case is a change even where the field compares without case.
    const std::string changed = "old." + field + " IS NOT new." + field + " COLLATE BINARY";
    db.execute("CREATE TEMP TRIGGER " + quoteIdentifier("norvel_change_" + sheet + "_" + index) +
               " AFTER UPDATE OF " + field + " ON " + table + " FOR EACH ROW WHEN " + changed +
               " BEGIN INSERT OR IGNORE INTO " + kChangeLog + " VALUES(" + sheet + ", " + row +
               ", " + index + ", old." + field + "); END");
    if (!has_locked_cells[i]) continue;
    const std::string column =
        quotedSheetName(sheet_name) + "!" + columnName(layout.fields[i].column);
    // The run of locked rows that starts last at or before the row, if it reaches the row.
    db.execute(
        "CREATE TEMP TRIGGER " + quoteIdentifier("norvel_locked_" + sheet + "_" + index) +
        " BEFORE UPDATE OF " + field + " ON " + table + " FOR EACH ROW WHEN " + changed +
        " BEGIN SELECT " + kRefuse + "(" + SqlLiteral("セル " + column) + " || " + row +
        " || CASE reason WHEN " + std::to_string(static_cast<int>(LockReason::arrayPart)) +
        " THEN " +
        SqlLiteral(" は変更できません。セルが配列数式、データテーブル、またはほかのセルが使う"
                   "共有数式に含まれています。") +
        " ELSE " + SqlLiteral(" は変更できません。セルに数式が入っています。") +
        " END) FROM (SELECT last_row, reason FROM " + kLockedCells + " WHERE sheet = " + sheet +
        " AND field = " + index + " AND first_row <= " + row +
        " ORDER BY first_row DESC LIMIT 1) WHERE last_row >= " + row + "; END");
  }
}

struct LockedRun {
  std::uint32_t first_row = 0;
  std::uint32_t last_row = 0;
  LockReason reason = LockReason::formula;
};

// Sorted, with overlapping and adjacent runs joined.
std::vector<LockedRun> unionOf(std::vector<LockedRun> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const LockedRun& a, const LockedRun& b) { return a.first_row < b.first_row; });
  std::vector<LockedRun> joined;
  for (const auto& run : runs) {
    if (!joined.empty() && run.first_row <= joined.back().last_row + 1) {
      joined.back().last_row = std::max(joined.back().last_row, run.last_row);
    } else {
      joined.push_back(run);
    }
  }
  return joined;
}

// Rows as runs that do not overlap, so that the run starting last at or before a row is the
// only one that can hold it. A cell that is part of an array and has a formula of its own is
// refused for the array.
std::vector<LockedRun> disjointRuns(const std::vector<LockedRun>& runs) {
  std::vector<LockedRun> arrays;
  std::vector<LockedRun> formulas;
  for (const auto& run : runs)
    (run.reason == LockReason::arrayPart ? arrays : formulas).push_back(run);
  arrays = unionOf(std::move(arrays));
  std::vector<LockedRun> disjoint = arrays;
  auto array = arrays.begin();
  for (const auto& run : unionOf(std::move(formulas))) {
    while (array != arrays.end() && array->last_row < run.first_row) ++array;
    std::uint32_t from = run.first_row;
    for (auto a = array; a != arrays.end() && a->first_row <= run.last_row; ++a) {
      if (a->first_row > from) disjoint.push_back({from, a->first_row - 1, LockReason::formula});
      from = a->last_row + 1;
    }
    if (from <= run.last_row) disjoint.push_back({from, run.last_row, LockReason::formula});
  }
  std::sort(disjoint.begin(), disjoint.end(),
            [](const LockedRun& a, const LockedRun& b) { return a.first_row < b.first_row; });
  return disjoint;
}

// Marks the cells that must keep their formula, by field as runs of rows; returns which
// fields have any.
std::vector<bool> recordLockedCells(MemoryDatabase& db, std::size_t sheet_index,
                                    const SheetLayout& layout, const SheetCells& cells) {
  std::vector<bool> has_locked(layout.fields.size(), false);
  if (cells.locked.empty() || layout.last_row < layout.first_row) return has_locked;
  const std::uint32_t first_column = layout.fields.front().column;
  const std::uint32_t last_column = layout.fields.back().column;
  std::vector<std::vector<LockedRun>> by_field(layout.fields.size());
  for (const auto& [range, reason] : cells.locked) {
    const auto first_row = std::max(range.first.row, layout.first_row);
    const auto last_row = std::min(range.last.row, layout.last_row);
    if (first_row > last_row) continue;
    for (auto column = std::max(range.first.column, first_column);
         column <= std::min(range.last.column, last_column); ++column) {
      by_field[column - first_column].push_back({first_row, last_row, reason});
    }
  }
  Statement insert(db, std::string("INSERT INTO ") + kLockedCells + " VALUES(?, ?, ?, ?, ?)");
  for (std::size_t i = 0; i < by_field.size(); ++i) {
    for (const auto& run : disjointRuns(by_field[i])) {
      insert.bind(1, static_cast<std::int64_t>(sheet_index));
      insert.bind(2, static_cast<std::int64_t>(i));
      insert.bind(3, static_cast<std::int64_t>(run.first_row));
      insert.bind(4, static_cast<std::int64_t>(run.last_row));
      insert.bind(5, static_cast<std::int64_t>(run.reason));
      insert.step();
      insert.reset();
      has_locked[i] = true;
    }
  }
  return has_locked;
}

void bindCell(Statement& insert, int parameter, const SheetField& field, const SheetCells& cells,
              const SheetCell& cell) {
  if (cell.kind == CellKind::empty) return;
  if (field.numeric) {
    insert.bind(parameter, cell.number);
    return;
  }
  switch (cell.kind) {
    case CellKind::text:
      insert.bind(parameter, cells.textOf(cell));
      break;
    case CellKind::number:
      insert.bind(parameter, cells.numberText(cell));
      break;
    case CellKind::boolean:
      insert.bind(parameter, cell.number != 0 ? "TRUE" : "FALSE");
      break;
    case CellKind::empty:
      break;
  }
}

void copyRows(MemoryDatabase& db, const std::string& table_name, const SheetLayout& layout,
              const SheetCells& cells) {
  if (layout.last_row < layout.first_row) return;
  std::string sql = "INSERT INTO main." + quoteIdentifier(table_name) + "(" + layout.row_alias;
  std::string values = "?";
  for (const auto& field : layout.fields) {
    sql += ", " + quoteIdentifier(field.name);
    values += ", ?";
  }
  Statement insert(db, sql + ") VALUES(" + values + ")");

  const std::uint32_t first_column = layout.fields.front().column;
  auto cell = cells.cells.begin();
  while (cell != cells.cells.end() && cell->position.row < layout.first_row) ++cell;
  for (std::uint32_t row = layout.first_row; row <= layout.last_row; ++row) {
    // reset() leaves every field bound to NULL: cells left out of the XML are empty.
    insert.bind(1, static_cast<std::int64_t>(row));
    for (; cell != cells.cells.end() && cell->position.row == row; ++cell) {
      const std::size_t index = cell->position.column - first_column;
      if (index >= layout.fields.size()) continue;
      bindCell(insert, static_cast<int>(index) + 2, layout.fields[index], cells, *cell);
    }
    insert.step();
    insert.reset();
  }
}

}  // namespace

void createChangeLog(MemoryDatabase& db) {
  db.execute(std::string("CREATE TEMP TABLE ") + kChangeLog +
             "(sheet INTEGER NOT NULL, row INTEGER NOT NULL, field INTEGER NOT NULL, original, "
             "PRIMARY KEY(sheet, row, field)) WITHOUT ROWID");
  // A formula column is one run of rows, not a row per cell.
  db.execute(std::string("CREATE TEMP TABLE ") + kLockedCells +
             "(sheet INTEGER NOT NULL, field INTEGER NOT NULL, first_row INTEGER NOT NULL, "
             "last_row INTEGER NOT NULL, reason INTEGER NOT NULL, "
             "PRIMARY KEY(sheet, field, first_row)) WITHOUT ROWID");
  // RAISE takes only a fixed message; the refusal names the cell.
  if (sqlite3_create_function_v2(db.handle(), kRefuse, 1, SQLITE_UTF8, nullptr, &refuse, nullptr,
                                 nullptr, nullptr) != SQLITE_OK) {
    sqlite::throwLastError(db.handle());
  }
}

void copySheet(MemoryDatabase& db, std::size_t sheet_index, const std::string& sheet_name,
               const std::string& table_name, const SheetLayout& layout, const SheetCells& cells) {
  createTable(db, table_name, layout);
  copyRows(db, table_name, layout, cells);
  createChangeTriggers(db, sheet_index, sheet_name, table_name, layout,
                       recordLockedCells(db, sheet_index, layout, cells));
}

}  // namespace norvel::xlsx
