#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sql_text.h"
#include "platform/sql_statement.h"

namespace norvel {

// The statements of the set-based run: the pairs in a temporary table, compared with each other
// and with the field by the field's own equality.
class MappingSql {
 public:
  // `pair_table` is the temporary table as the statements name it (qualified by its schema).
  MappingSql(std::string_view table, std::string_view field, const NameQuoting& quoting,
             std::string pair_table);

  // INSERTs of the pairs, position by position, a bounded number of rows per statement.
  std::vector<SqlStatement> inserts(const std::vector<PairValues>& pairs) const;

  // One row per kind: the pairs whose old code equals an earlier pair's old code (a repeat),
  // then those whose old code equals an earlier pair's new code (a chain).
  SqlStatement conflicts() const;

  // Per pair position, the rows of the field equal to its old code (positions without a row
  // are left out).
  SqlStatement histogram() const;

  // Applies the pairs at positions first..last (from 0) in one statement.
  SqlStatement update(std::size_t first, std::size_t last) const;

  // The same UPDATE as a query of its own changes (PostgreSQL): per pair position, the rows it
  // changed, counted from the rows themselves rather than from an earlier look at the table.
  SqlStatement updateCounted(std::size_t first, std::size_t last) const;

 private:
  std::string updateText() const;
  void appendRange(SqlStatement& statement, std::size_t first, std::size_t last) const;

  std::string table_;
  std::string field_;
  std::string pairs_;
};

}  // namespace norvel
