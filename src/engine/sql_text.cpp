#include "engine/sql_text.h"

#include <stdexcept>

#include "engine/failure_reason.h"
#include "platform/database.h"
#include "text/number_text.h"

namespace norvel {
namespace {

constexpr std::string_view kNull = "NULL";
constexpr char kCr = '\r';

// A code in a numeric column is its number text; a code that is not wholly a number has none.
std::optional<std::string> numberText(std::string_view code) {
  const LeadingNumber number = readLeadingNumber(code);
  if (!number.whole) return std::nullopt;
  return formatGeneralNumber(number.value);
}

}  // namespace

ColumnKind columnKindOf(int ado_type) {
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

NameDelimiters delimitersFor(std::string_view table, const NameQuoting& quoting) {
  if (quoting.brackets && table.find('$') != std::string_view::npos) return {"[", "]"};
  return {};
}

NameDelimiters delimitersFor(std::string_view table) {
  return delimitersFor(table, NameQuoting{{}, true});
}

bool isPlainName(std::string_view name) {
  if (name.empty()) return false;
  const auto is_letter = [](unsigned char c) {
    return c >= 0x80 || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  };
  if (!is_letter(static_cast<unsigned char>(name.front()))) return false;
  for (const char c : name) {
    if (!is_letter(static_cast<unsigned char>(c)) && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

std::string quoteName(std::string_view name, const NameDelimiters& delimiters,
                      std::string_view identifier_quote) {
  // Brackets have no escape for "]": such a name is quoted the data source's way instead.
  if (!delimiters.open.empty() && name.find(delimiters.close) == std::string_view::npos) {
    return delimiters.open + std::string(name) + delimiters.close;
  }
  if (isPlainName(name)) return std::string(name);
  if (identifier_quote.empty()) {
    throw ReasonError({FailureReasonKind::unquotableName, std::string(name), {}});
  }
  std::string quoted(identifier_quote);
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name.compare(i, identifier_quote.size(), identifier_quote) == 0) {
      quoted += identifier_quote;
      quoted += identifier_quote;
      i += identifier_quote.size() - 1;
    } else {
      quoted += name[i];
    }
  }
  quoted += identifier_quote;
  return quoted;
}

std::string buildProbe(std::string_view table, std::string_view field, const NameQuoting& quoting) {
  const NameDelimiters d = delimitersFor(table, quoting);
  std::string sql = "SELECT ";
  sql += quoteName(field, d, quoting.identifier_quote) + kCr;
  sql += " FROM " + quoteName(table, d, quoting.identifier_quote) + kCr;
  sql += " WHERE 1=0";
  sql += kCr;
  return sql;
}

std::string buildProbe(std::string_view table, std::string_view field,
                       std::string_view identifier_quote) {
  return buildProbe(table, field, NameQuoting{std::string(identifier_quote), true});
}

std::optional<PairValues> valuesOfPair(int column_type, std::string_view old_code,
                                       std::string_view new_code, std::string& problem) {
  const ColumnKind kind = columnKindOf(column_type);
  // A code is a value of its own; NULL stays a keyword of the text.
  const auto value_of = [&](std::string_view code) -> std::optional<SqlValue> {
    if (kind == ColumnKind::text) {
      return SqlValue{SqlValue::Kind::text, std::string(code), column_type};
    }
    if (auto number = numberText(code)) {
      return SqlValue{SqlValue::Kind::number, std::move(*number), column_type};
    }
    return std::nullopt;
  };

  PairValues values;
  if (!(old_code.empty() || old_code == kNull)) {
    values.old_value = value_of(old_code);
    if (!values.old_value) {
      problem = std::string(old_code);
      return std::nullopt;
    }
  }
  if (!(new_code.empty() || new_code == kNull)) {
    values.new_value = value_of(new_code);
    if (!values.new_value) {
      problem = std::string(new_code);
      return std::nullopt;
    }
  }
  return values;
}

UpdateText buildUpdate(std::string_view table, std::string_view field, int column_type,
                       std::string_view old_code, std::string_view new_code,
                       std::string_view identifier_quote) {
  return buildUpdate(table, field, column_type, old_code, new_code,
                     NameQuoting{std::string(identifier_quote), true});
}

UpdateText buildUpdate(std::string_view table, std::string_view field, int column_type,
                       std::string_view old_code, std::string_view new_code,
                       const NameQuoting& quoting) {
  std::string problem;
  std::optional<PairValues> values = valuesOfPair(column_type, old_code, new_code, problem);
  if (!values) return {std::nullopt, std::move(problem)};
  return {buildUpdate(table, field, std::move(*values), quoting), {}};
}

SqlStatement buildUpdate(std::string_view table, std::string_view field, PairValues values,
                         const NameQuoting& quoting) {
  std::optional<SqlValue>& old_value = values.old_value;
  std::optional<SqlValue>& new_value = values.new_value;

  const NameDelimiters d = delimitersFor(table, quoting);
  const std::string quoted_field = quoteName(field, d, quoting.identifier_quote);
  SqlStatement statement;
  statement.appendSql("UPDATE " + quoteName(table, d, quoting.identifier_quote) + kCr);
  statement.appendSql(" SET " + quoted_field + " = ");
  if (new_value) {
    statement.appendValue(std::move(*new_value));
  } else {
    statement.appendSql(kNull);
  }
  statement.appendSql(" WHERE " + quoted_field);
  if (old_value) {
    statement.appendSql(" = ");
    statement.appendValue(std::move(*old_value));
  } else {
    statement.appendSql(" IS NULL ");
  }
  return statement;
}

}  // namespace norvel
