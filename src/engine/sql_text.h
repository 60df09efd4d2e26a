#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvel {

// A value that holds a text or null.
using NullableText = std::optional<std::string>;

std::string NullToEmpty(const NullableText& value);

// An SQL text literal; the empty text or null is NULL. An apostrophe inside is doubled so that
// the code stays one literal.
std::string SqlLiteral(const NullableText& value);

enum class ColumnKind { text, numeric };

// Text columns are the character types, the long ones included (a long text column written as a
// number text would turn «100-0002» into 100).
ColumnKind ColumnKindOf(int ado_type);

struct NameDelimiters {
  std::string open;
  std::string close;
};
// "[" and "]" when the table name contains "$" (worksheets), none otherwise.
NameDelimiters DelimitersFor(std::string_view table);

// The probe that learns the field's type without reading rows.
std::string BuildProbe(std::string_view table, std::string_view field);

// The UPDATE of one pair, or nullopt with a reason when a code cannot be written for the column.
struct UpdateText {
  std::optional<std::string> sql;
  std::string problem;  // the code that is not a number, when sql is empty
};
UpdateText BuildUpdate(std::string_view table, std::string_view field, ColumnKind kind,
                       std::string_view old_code, std::string_view new_code);

}  // namespace norvel
