#include "xlsx/sheet_copy.h"

#include <vector>

#include "engine/number_text.h"
#include "engine/sql_text.h"
#include "platform/sqlite/sqlite_handles.h"

namespace norvel::xlsx {

namespace {

using sqlite::quoteIdentifier;

constexpr const char* kLockedCells = "norvel_locked_cells";

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
                          const std::string& table_name, const SheetLayout& layout,
                          const std::vector<bool>& has_locked_cells) {
  const std::string table = "main." + quoteIdentifier(table_name);
  const std::string sheet = std::to_string(sheet_index);
  for (std::size_t i = 0; i < layout.fields.size(); ++i) {
    const std::string field = quoteIdentifier(layout.fields[i].name);
    const std::string index = std::to_string(i);
    // BINARY: a change of letter case is a change even where the field compares without case.
    const std::string changed = "old." + field + " IS NOT new." + field + " COLLATE BINARY";
    db.execute("CREATE TEMP TRIGGER " + quoteIdentifier("norvel_change_" + sheet + "_" + index) +
               " AFTER UPDATE OF " + field + " ON " + table + " FOR EACH ROW WHEN " + changed +
               " BEGIN INSERT OR IGNORE INTO " + kChangeLog + " VALUES(" + sheet + ", old." +
               layout.row_alias + ", " + index + ", old." + field + "); END");
    if (!has_locked_cells[i]) continue;
    db.execute("CREATE TEMP TRIGGER " + quoteIdentifier("norvel_locked_" + sheet + "_" + index) +
               " BEFORE UPDATE OF " + field + " ON " + table + " FOR EACH ROW WHEN " + changed +
               " AND EXISTS (SELECT 1 FROM " + kLockedCells + " WHERE sheet = " + sheet +
               " AND row = old." + layout.row_alias + " AND field = " + index +
               ") BEGIN SELECT RAISE(ABORT, " +
               SqlLiteral("この行のこのフィールドは変更できません。セルが配列数式、データテーブル、"
                          "またはほかのセルが使う共有数式に含まれています。") +
               "); END");
  }
}

// Marks the cells that must keep their formula; returns which fields have any.
std::vector<bool> recordLockedCells(MemoryDatabase& db, std::size_t sheet_index,
                                    const SheetLayout& layout, const SheetCells& cells) {
  std::vector<bool> has_locked(layout.fields.size(), false);
  if (cells.locked.empty() || layout.last_row < layout.first_row) return has_locked;
  Statement insert(db, std::string("INSERT OR IGNORE INTO ") + kLockedCells + " VALUES(?, ?, ?)");
  for (const auto& range : cells.locked) {
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
      const auto column = layout.fields[i].column;
      if (column < range.first.column || column > range.last.column) continue;
      for (auto row = std::max(range.first.row, layout.first_row);
           row <= std::min(range.last.row, layout.last_row); ++row) {
        insert.bind(1, static_cast<std::int64_t>(sheet_index));
        insert.bind(2, static_cast<std::int64_t>(row));
        insert.bind(3, static_cast<std::int64_t>(i));
        insert.step();
        insert.reset();
        has_locked[i] = true;
      }
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
      insert.bind(parameter, formatGeneralNumber(cell.number));
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
  db.execute(std::string("CREATE TEMP TABLE ") + kLockedCells +
             "(sheet INTEGER NOT NULL, row INTEGER NOT NULL, field INTEGER NOT NULL, "
             "PRIMARY KEY(sheet, row, field)) WITHOUT ROWID");
}

void copySheet(MemoryDatabase& db, std::size_t sheet_index, const std::string& table_name,
               const SheetLayout& layout, const SheetCells& cells) {
  createTable(db, table_name, layout);
  copyRows(db, table_name, layout, cells);
  createChangeTriggers(db, sheet_index, table_name, layout,
                       recordLockedCells(db, sheet_index, layout, cells));
}

}  // namespace norvel::xlsx
