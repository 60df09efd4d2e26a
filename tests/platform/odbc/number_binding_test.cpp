// The SQL type a number is bound as, with and without BIGINT in the driver's type list (the
// Access driver has none and rejects it with HYC00).
#include <gtest/gtest.h>

#include "platform/database.h"
#include "platform/odbc/odbc_type_map.h"

namespace norvel::odbc {
namespace {

TEST(NumberBinding, WholeNumbersAreBigintOnlyWhereTheDriverTakesIt) {
  const struct {
    double value;
    int column_type;
    bool bigint;
    SQLSMALLINT expected;
  } cases[] = {
      {1000001, ado::adInteger, true, SQL_BIGINT},
      {1000001, ado::adVarWChar, true, SQL_BIGINT},
      {1.5, ado::adInteger, true, SQL_DOUBLE},
      {1e19, ado::adBigInt, true, SQL_DOUBLE},
      // Access: a Long field, an Integer, a Byte and a Yes/No field take INTEGER.
      {1000001, ado::adInteger, false, SQL_INTEGER},
      {-32768, ado::adSmallInt, false, SQL_INTEGER},
      {255, ado::adUnsignedTinyInt, false, SQL_INTEGER},
      {-1, ado::adBoolean, false, SQL_INTEGER},
      {2147483647, ado::adInteger, false, SQL_INTEGER},
      {-2147483648.0, ado::adInteger, false, SQL_INTEGER},
      // Beyond a Long, fractions, and every other kind of column: DOUBLE.
      {2147483648.0, ado::adInteger, false, SQL_DOUBLE},
      {1.5, ado::adInteger, false, SQL_DOUBLE},
      {1000001, ado::adDouble, false, SQL_DOUBLE},
      {1000001, ado::adCurrency, false, SQL_DOUBLE},
      {1000001, ado::adNumeric, false, SQL_DOUBLE},
      {1000001, ado::adVarWChar, false, SQL_DOUBLE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(numberParameterType(c.value, c.column_type, c.bigint), c.expected)
        << c.value << " in ADO type " << c.column_type << (c.bigint ? " with" : " without")
        << " BIGINT";
  }
}

}  // namespace
}  // namespace norvel::odbc
