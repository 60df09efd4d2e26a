#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "db/sql_statement.h"
#include "engine/sql_text.h"

namespace norvel {

// The statements of the set-based run: the pairs in a temporary table, compared with each other
// and with the field by the field's own equality.
class MappingSql {
 public:
  static constexpr std::string_view kPairTable = "norvel_run_pairs";

  MappingSql(std::string_view table, std::string_view field, std::string_view identifier_quote);

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

 private:
  std::string table_;
  std::string field_;
};

}  // namespace norvel
