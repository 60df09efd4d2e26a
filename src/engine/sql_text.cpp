#include "engine/sql_text.h"

#include "engine/number_text.h"
#include "platform/database.h"

namespace norvel {
namespace {

constexpr std::string_view kNull = "NULL";
constexpr char kCr = '\r';

// A code in a numeric column is its number text; a code that is not wholly a number has none.
std::optional<std::string> numberText(std::string_view code) {
  const LeadingNumber number = ReadLeadingNumber(code);
  if (!number.whole) return std::nullopt;
  return FormatGeneralNumber(number.value);
}

}  // namespace

std::string NullToEmpty(const NullableText& value) {
  return value.value_or(std::string());
}

std::string SqlLiteral(const NullableText& value) {
  const std::string text = NullToEmpty(value);
  if (text.empty()) return std::string(kNull);
  std::string literal = "'";
  for (char c : text) {
    if (c == '\'') literal.push_back('\'');
    literal.push_back(c);
  }
  literal.push_back('\'');
  return literal;
}

ColumnKind ColumnKindOf(int ado_type) {
  switch (ado_type) {
    case ado::adBSTR:
    case ado::adChar:
    case ado::adWChar:
    case ado::adVarChar:
    case ado::adVarWChar:
    case ado::adLongVarChar:
    case ado::adLongVarWChar:
      return ColumnKind::text;
    default:
      return ColumnKind::numeric;
  }
}

NameDelimiters DelimitersFor(std::string_view table) {
  if (table.find('$') != std::string_view::npos) return {"[", "]"};
  return {};
}

std::string BuildProbe(std::string_view table, std::string_view field) {
  const NameDelimiters d = DelimitersFor(table);
  std::string sql = "SELECT ";
  sql += d.open + std::string(field) + d.close + kCr;
  sql += " FROM " + d.open + std::string(table) + d.close + kCr;
  sql += " WHERE 1=0";
  sql += kCr;
  return sql;
}

UpdateText BuildUpdate(std::string_view table, std::string_view field, ColumnKind kind,
                       std::string_view old_code, std::string_view new_code) {
  std::string condition;
  if (old_code.empty() || old_code == kNull) {
    condition = " IS NULL ";
  } else if (kind == ColumnKind::text) {
    condition = " = " + SqlLiteral(std::string(old_code));
  } else if (auto number = numberText(old_code)) {
    condition = " = " + *number;
  } else {
    return {std::nullopt, std::string(old_code)};
  }

  std::string new_value;
  if (new_code == kNull || new_code.empty()) {
    new_value = kNull;
  } else if (kind == ColumnKind::text) {
    new_value = SqlLiteral(std::string(new_code));
  } else if (auto number = numberText(new_code)) {
    new_value = *number;
  } else {
    return {std::nullopt, std::string(new_code)};
  }

  const NameDelimiters d = DelimitersFor(table);
  const std::string quoted_field = d.open + std::string(field) + d.close;
  std::string sql = "UPDATE " + d.open + std::string(table) + d.close + kCr;
  sql += " SET " + quoted_field + " = " + new_value + " WHERE " + quoted_field + condition;
  return {std::move(sql), {}};
}

}  // namespace norvel
