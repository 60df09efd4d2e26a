#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sql_text.h"
#include "platform/sql_statement.h"

namespace norvel {

// The statements of the set-based run over one temporary table of codes (pair_position,
// old_code, new_code), compared with each other and with the field by the field's own equality.
class MappingSql {
 public:
  // `codes` is the temporary table as the statements name it (qualified by its schema).
  // `by_join`: the UPDATE joins the code table as MySQL writes it, the field's table first.
  MappingSql(std::string_view table, std::string_view field, const NameQuoting& quoting,
             std::string codes, bool by_join = false);

  // INSERTs of the codes, a bounded number of rows per statement; `positions` are the rows'
  // positions (0, 1, … when empty).
  std::vector<SqlStatement> inserts(const std::vector<PairValues>& codes,
                                    const std::vector<std::size_t>& positions = {}) const;

  // Per position with an old code: the first position whose old code equals it, and how many
  // old codes equal it (an equivalence gives every member of a class its size).
  SqlStatement oldCodeClasses() const;
  // Per position whose new code, as the field stores it, equals an old code: the first such
  // position, and how many old codes equal it.
  SqlStatement newCodeClasses() const;

  // Per position, the rows of the field equal to its old code (positions without a row are left
  // out).
  SqlStatement histogram() const;

  // Where the data source counts the rows it changes: per position, the bytes of the new code as
  // stored (hex, NULL for NULL); per position and bytes of the field, its rows; the NULL rows.
  SqlStatement newCodeBytes(bool numeric) const;
  SqlStatement histogramByBytes(bool numeric) const;
  SqlStatement nullRows() const;

  // Per position, the new code as the field stores it.
  SqlStatement newCodes() const;
  // Every row equal to an old code, before the UPDATE: its position, the `identity` columns and
  // the field.
  SqlStatement rowsOfCodes(const std::vector<std::string>& identity) const;

  // Where the table has a primary key and the UPDATE cannot count per position (MariaDB,
  // MySQL): one scan finds the rows equal to an old code and locks them as the UPDATE would,
  // keeping in the temporary table `rows` their key (`key`, the table's primary key columns),
  // position, old and new code and the bytes the field holds; the histogram by position and
  // bytes is then read from it, and the UPDATE changes those rows by key, each only while it
  // still equals its old code. The field's table is read once instead of twice.
  SqlStatement collectRows(std::string_view rows, const std::vector<std::string>& key,
                           bool numeric) const;
  SqlStatement histogramOfRows(std::string_view rows) const;
  SqlStatement updateByKey(std::string_view rows, const std::vector<std::string>& key) const;

  // Sets every row equal to an old code to that row's new code.
  SqlStatement update() const;
  // The same, with the new code passed through `function`(position, new code), which counts the
  // rows it is called for (SQLite); given `identity` columns, it is passed those of each row and
  // the field's value before the UPDATE as well.
  SqlStatement updateThrough(std::string_view function,
                             const std::vector<std::string>& identity = {}) const;
  // The same UPDATE as a query of its own changes (PostgreSQL): per position, the rows changed.
  SqlStatement updateCounted() const;
  // The same UPDATE returning each row it changes as rowsOfCodes reads it before: its position,
  // the `identity` columns (which the UPDATE leaves alone) and, for the field's value before,
  // the old code it equalled. Only where that equality is byte identity.
  SqlStatement updateReturningRows(const std::vector<std::string>& identity) const;

 private:
  std::string classes(std::string_view compared) const;
  std::string updateText(const std::string& value) const;

  std::string keyColumn(const std::string& name) const;

  std::string table_;
  std::string field_;
  std::string codes_;
  bool by_join_ = false;
  NameDelimiters delimiters_;
  std::string identifier_quote_;
};

}  // namespace norvel
