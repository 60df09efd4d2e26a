#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/routing/connection_string.h"

namespace norvel::routing {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;

auto pair(const std::string& key, const std::string& value) {
  return AllOf(Field(&ConnectionStringPair::key, key), Field(&ConnectionStringPair::value, value));
}

TEST(ConnectionStringTest, ExcelStringKeepsQuotedSemicolonsInsideTheValue) {
  const auto pairs = parseConnectionString(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/住所.xls;"
      "Extended Properties=\"Excel 8.0;HDR=No;\"");
  EXPECT_THAT(pairs, ElementsAre(pair("Provider", "Microsoft.Jet.OLEDB.4.0"),
                                 pair("Data Source", "/data/住所.xls"),
                                 pair("Extended Properties", "Excel 8.0;HDR=No;")));
  EXPECT_EQ(pairs[2].text, "Extended Properties=\"Excel 8.0;HDR=No;\"");
  // The properties are a connection string of their own; "Excel 8.0" has no '='.
  EXPECT_THAT(parseConnectionString(pairs[2].value),
              ElementsAre(pair("Excel 8.0", ""), pair("HDR", "No")));
}

TEST(ConnectionStringTest, OracleStringKeysAreTrimmedAndFoundWithoutRegardToCase) {
  const auto pairs = parseConnectionString(
      "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=scott;Password =tiger;"
      "Data Source=;");
  EXPECT_EQ(findValue(pairs, "password"), "tiger");
  EXPECT_EQ(findValue(pairs, "USER ID"), "scott");
  EXPECT_EQ(findValue(pairs, "Data Source"), "");
  EXPECT_EQ(findValue(pairs, "Host"), std::nullopt);
}

struct ValueCase {
  const char* text;
  const char* key;
  const char* value;
};

void PrintTo(const ValueCase& c, std::ostream* os) {
  *os << c.key << " in " << c.text;
}

class ConnectionStringValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ConnectionStringValueTest, ReadsTheValue) {
  EXPECT_EQ(findValue(parseConnectionString(GetParam().text), GetParam().key),
            std::optional<std::string>(GetParam().value))
      << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConnectionStringValueTest,
    ::testing::Values(ValueCase{"  data source =  /tmp/a b.db  ;x=1", "Data Source", "/tmp/a b.db"},
                      ValueCase{"Data Source=/tmp/a.db", "data source", "/tmp/a.db"},
                      ValueCase{"a='x;y';b=2", "a", "x;y"},
                      ValueCase{"a=\"say \"\"hi\"\"\";b=2", "a", "say \"hi\""},
                      ValueCase{"Driver={SQLite3};Database=/tmp/x;y.db", "Driver", "SQLite3"},
                      ValueCase{"PWD={a;b}}c};UID=u", "PWD", "a;b}c"},
                      ValueCase{"PWD={a;b}}c};UID=u", "UID", "u"}, ValueCase{";;a=1;;", "a", "1"},
                      ValueCase{"a=1;a=2", "a", "2"},
                      ValueCase{"a=\"unclosed;b=2", "a", "unclosed;b=2"},
                      ValueCase{"a=\"q\" junk ;b=2", "b", "2"}, ValueCase{"a=", "a", ""}));

TEST(ConnectionStringTest, EmptyAndBlankStringsHaveNoPairs) {
  EXPECT_TRUE(parseConnectionString("").empty());
  EXPECT_TRUE(parseConnectionString(" ; ;").empty());
}

}  // namespace
}  // namespace norvel::routing
