#include "engine/other_form_hints.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <unordered_set>

#include "engine/code_forms.h"
#include "engine/sql_text.h"

namespace norvel {
namespace {

// Oracle takes at most 1,000 values in one IN list.
constexpr std::size_t kValuesPerList = 1000;
// A thousand pairs' forms are one statement, one scan of an unindexed field; far below what the
// data sources take in one statement (SQLite's length of its text, the servers' parameters).
constexpr std::size_t kPairsPerQuery = 1000;

using StoredForm = CodeForm;

// A pair that matched no row, and the forms its code may be stored in instead.
struct Unmatched {
  std::size_t index = 0;
  std::string digits;
  std::vector<std::string> forms;
};

SqlStatement formsQuery(const RunTarget& target, const NameQuoting& quote, int column_type,
                        const std::vector<std::string>& forms) {
  const NameDelimiters delimiters = delimitersFor(target.table, quote);
  const std::string field = quoteName(target.field, delimiters, quote.identifier_quote);
  SqlStatement statement("SELECT " + field + ", COUNT(*) FROM " +
                         quoteName(target.table, delimiters, quote.identifier_quote) + " WHERE ");
  for (std::size_t i = 0; i < forms.size(); ++i) {
    if (i % kValuesPerList == 0) {
      statement.appendSql(i == 0 ? field + " IN (" : ") OR " + field + " IN (");
    } else {
      statement.appendSql(", ");
    }
    statement.appendValue({SqlValue::Kind::text, forms[i], column_type});
  }
  statement.appendSql(") GROUP BY " + field);
  return statement;
}

// The forms found, in the data source's order.
std::vector<StoredForm> storedForms(const QueryRows& rows) {
  std::vector<StoredForm> found;
  for (const auto& row : rows) {
    if (row.size() < 2 || !row[0] || !row[1]) continue;
    std::int64_t rows = 0;
    const std::string& count = *row[1];
    std::from_chars(count.data(), count.data() + count.size(), rows);
    if (rows > 0) found.push_back({*row[0], rows});
  }
  return found;
}

// Most rows first; forms with as many rows in the order SQLite gives them (its GROUP BY sorts),
// which a server's hashing would otherwise make vary from one query to the next.
std::vector<StoredForm> mostRowsFirst(std::vector<StoredForm> found) {
  std::stable_sort(found.begin(), found.end(), [](const StoredForm& a, const StoredForm& b) {
    return a.rows != b.rows ? a.rows > b.rows : a.form < b.form;
  });
  return found;
}

// The forms one pair's own query would have found, out of those found for many pairs. The data
// source matched each with one of the forms asked for, by its own equality, which may ignore
// trailing blanks (char(n), PAD SPACE collations) and so give a value that is none of them;
// forms of other codes differ in a digit. A pair's own code is left out: another pair with the
// same digits may have asked for it.
std::vector<StoredForm> formsOfPair(const Unmatched& pair, const RunPair& codes,
                                    const std::vector<StoredForm>& found) {
  std::vector<StoredForm> own;
  for (const StoredForm& stored : found) {
    std::string_view form = stored.form;
    while (!form.empty() && form.back() == ' ') form.remove_suffix(1);
    if (form != codes.old_code && digitsOfCode(form) == pair.digits) {
      own.push_back(stored);
    }
  }
  return mostRowsFirst(std::move(own));
}

}  // namespace

std::vector<OtherFormHint> findOtherFormHints(DatabaseConnection& connection,
                                              const RunTarget& target,
                                              const std::vector<RunPair>& pairs,
                                              const std::vector<std::int64_t>& counts) {
  std::vector<Unmatched> unmatched;
  for (std::size_t i = 0; i < pairs.size() && i < counts.size(); ++i) {
    if (counts[i] != 0) continue;
    std::vector<std::string> forms = otherFormsOfCode(pairs[i].old_code);
    if (!forms.empty())
      unmatched.push_back({i, *digitsOfCode(pairs[i].old_code), std::move(forms)});
  }
  std::vector<OtherFormHint> hints;
  if (unmatched.empty()) return hints;
  const auto add = [&](const Unmatched& pair, const std::vector<StoredForm>& found) {
    if (!found.empty()) hints.push_back({pair.index, pairs[pair.index], found});
  };
  try {
    const NameQuoting quote = connection.nameQuoting();
    const int column_type =
        connection.query(buildProbe(target.table, target.field, quote)).first_column_type;
    // A number field holds 1000001 whichever way the pair wrote it.
    if (columnKindOf(column_type) != ColumnKind::text) return hints;

    for (std::size_t first = 0; first < unmatched.size(); first += kPairsPerQuery) {
      const std::size_t end = std::min(unmatched.size(), first + kPairsPerQuery);
      std::vector<std::string> forms;
      std::unordered_set<std::string> asked;
      for (std::size_t i = first; i < end; ++i) {
        for (const std::string& form : unmatched[i].forms) {
          if (asked.insert(form).second) forms.push_back(form);
        }
      }
      std::vector<StoredForm> found;
      try {
        found = storedForms(connection.queryRows(formsQuery(target, quote, column_type, forms)));
      } catch (const DatabaseError&) {
        if (end - first == 1) throw;
        // A data source that refuses so long a statement is asked pair by pair.
        for (std::size_t i = first; i < end; ++i) {
          add(unmatched[i], mostRowsFirst(storedForms(connection.queryRows(
                                formsQuery(target, quote, column_type, unmatched[i].forms)))));
        }
        continue;
      }
      for (std::size_t i = first; i < end; ++i) {
        add(unmatched[i], formsOfPair(unmatched[i], pairs[unmatched[i].index], found));
      }
    }
  } catch (const DatabaseError&) {
    // Advice only: a data source that cannot answer leaves the hints found so far.
  }
  return hints;
}

}  // namespace norvel
