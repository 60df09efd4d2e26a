#include "platform/connection_string_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvel {
namespace {

struct Entry {
  std::string key;
  std::string value;
  std::string text;
  friend bool operator==(const Entry&, const Entry&) = default;
};

std::vector<Entry> entries(std::string_view text) {
  std::vector<Entry> out;
  for (const ConnectionStringPair& pair : parseConnectionString(text)) {
    out.push_back({pair.key, pair.value, pair.text});
    // The offsets name the segment exactly as written.
    EXPECT_EQ(text.substr(pair.begin, pair.end - pair.begin), pair.text) << text;
    EXPECT_LE(pair.value_begin, pair.end) << text;
  }
  return out;
}

std::ostream& operator<<(std::ostream& out, const Entry& e) {
  return out << "{" << e.key << " | " << e.value << " | " << e.text << "}";
}

TEST(ParseConnectionString, SplitsIntoKeysAndValues) {
  struct Case {
    std::string text;
    std::vector<Entry> expected;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"DSN=pg", {{"DSN", "pg", "DSN=pg"}}},
      {" Uid = scott ;Pwd=tiger;",
       {{"Uid", "scott", " Uid = scott "}, {"Pwd", "tiger", "Pwd=tiger"}}},
      {"a=1;;b=2", {{"a", "1", "a=1"}, {"b", "2", "b=2"}}},
      {"Driver={PostgreSQL Unicode};Server=h",
       {{"Driver", "PostgreSQL Unicode", "Driver={PostgreSQL Unicode}"},
        {"Server", "h", "Server=h"}}},
      {"Pwd={a;b}}c};Uid=u", {{"Pwd", "a;b}c", "Pwd={a;b}}c}"}, {"Uid", "u", "Uid=u"}}},
      {"Password='ti;ger';x=1", {{"Password", "ti;ger", "Password='ti;ger'"}, {"x", "1", "x=1"}}},
      {"Password='it''s'", {{"Password", "it's", "Password='it''s'"}}},
      {"E=\"a;\"\"b\" junk;c=d", {{"E", "a;\"b", "E=\"a;\"\"b\" junk"}, {"c", "d", "c=d"}}},
      {"Pwd='open;to the end", {{"Pwd", "open;to the end", "Pwd='open;to the end"}}},
      {"lonely; k=v", {{"lonely", "", "lonely"}, {"k", "v", " k=v"}}},
      {"Extended Properties=\"Excel 8.0;HDR=No;\"",
       {{"Extended Properties", "Excel 8.0;HDR=No;", "Extended Properties=\"Excel 8.0;HDR=No;\""}}},
  };
  for (const Case& c : cases) EXPECT_EQ(entries(c.text), c.expected) << c.text;
}

TEST(ParseConnectionString, EnclosingAgainReadsBackTheSameValue) {
  for (const std::string value : {"plain", "a;b", "it's", "say \"hi\"", "{x}}", ""}) {
    for (const char enclosure : {'"', '\'', '{'}) {
      const auto pairs = parseConnectionString("k=" + encloseValue(value, enclosure) + ";z=1");
      ASSERT_EQ(pairs.size(), 2u) << value << enclosure;
      EXPECT_EQ(pairs[0].value, value) << enclosure;
      EXPECT_EQ(pairs[0].enclosure, enclosure);
    }
  }
}

TEST(ConnectionStringValue, LastOneWinsWithoutRegardToCase) {
  const auto pairs = parseConnectionString("Data Source=a;data source=b;HDR=No");
  EXPECT_EQ(connectionStringValue(pairs, "DATA SOURCE"), "b");
  EXPECT_EQ(connectionStringValue(pairs, "hdr"), "No");
  EXPECT_EQ(connectionStringValue(pairs, "Provider"), std::nullopt);
}

TEST(IgnoreCase, ComparesAsciiLettersOnly) {
  EXPECT_TRUE(equalsIgnoreCase("Provider", "PROVIDER"));
  EXPECT_FALSE(equalsIgnoreCase("Provider", "Provide"));
  EXPECT_TRUE(startsWithIgnoreCase("microsoft.jet.oledb.4.0", "Microsoft.Jet.OLEDB."));
  EXPECT_FALSE(startsWithIgnoreCase("Jet", "Microsoft.Jet"));
  EXPECT_TRUE(containsIgnoreCase("Microsoft Excel Driver", "excel"));
  EXPECT_FALSE(containsIgnoreCase("MDBTools", "Excel"));
  EXPECT_FALSE(equalsIgnoreCase("Ä", "ä"));
}

}  // namespace
}  // namespace norvel
