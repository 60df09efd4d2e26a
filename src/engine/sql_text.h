#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "platform/sql_statement.h"

namespace norvel {

enum class ColumnKind { text, numeric };

// Text columns are the character types, the long ones included (a long text column written as a
// number text would turn «100-0002» into 100).
ColumnKind columnKindOf(int ado_type);

struct NameDelimiters {
  std::string open;
  std::string close;
};
// "[" and "]" when the table name contains "$" (worksheets) and the data source takes brackets,
// none otherwise.
NameDelimiters delimitersFor(std::string_view table, const NameQuoting& quoting);
// The same for a data source that takes brackets.
NameDelimiters delimitersFor(std::string_view table);

// A name that needs no quoting: letters, digits and "_" (any non-ASCII character counts as a
// letter), not starting with a digit.
bool isPlainName(std::string_view name);

// A table or field name as it goes into a statement: between the delimiters when there are any,
// as it is when plain, otherwise quoted with the data source's identifier quote (doubled inside),
// so that no name can end the statement early. Throws ReasonError (an std::invalid_argument) when
// such a name cannot be quoted (the data source has no quote character).
std::string quoteName(std::string_view name, const NameDelimiters& delimiters,
                      std::string_view identifier_quote);

// The probe that learns the field's type without reading rows.
std::string buildProbe(std::string_view table, std::string_view field, const NameQuoting& quoting);
// The same for a data source that takes brackets.
std::string buildProbe(std::string_view table, std::string_view field,
                       std::string_view identifier_quote = "\"");

// A pair's codes as values of its statements, for a column of the given ADO type; nullopt
// stands for NULL (an empty code or "NULL"). Without values, `problem` is the code that is
// not a number for a numeric column.
struct PairValues {
  std::optional<SqlValue> old_value;
  std::optional<SqlValue> new_value;
};
std::optional<PairValues> valuesOfPair(int column_type, std::string_view old_code,
                                       std::string_view new_code, std::string& problem);

// The UPDATE of one pair, or nullopt with a reason when a code cannot be written for the column.
// The codes are values of the statement, never part of its text.
struct UpdateText {
  std::optional<SqlStatement> statement;
  std::string problem;  // the code that is not a number, when there is no statement
};
// The UPDATE of one pair from its values.
SqlStatement buildUpdate(std::string_view table, std::string_view field, PairValues values,
                         const NameQuoting& quoting);

UpdateText buildUpdate(std::string_view table, std::string_view field, int column_type,
                       std::string_view old_code, std::string_view new_code,
                       const NameQuoting& quoting);
// The same for a data source that takes brackets.
// The UPDATE of one pair from its values.
SqlStatement buildUpdate(std::string_view table, std::string_view field, PairValues values,
                         const NameQuoting& quoting);

UpdateText buildUpdate(std::string_view table, std::string_view field, int column_type,
                       std::string_view old_code, std::string_view new_code,
                       std::string_view identifier_quote = "\"");

}  // namespace norvel
