#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/connection_string.h"

namespace norvel {
namespace {

struct Case {
  std::string text;
  std::string shown;
};

void expectMasked(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(maskPasswords(c.text), c.shown) << c.text;
}

TEST(MaskPasswords, HidesEveryWayOfWritingAPassword) {
  expectMasked({
      {oracleConnectionString("scott", "tiger", "orcl"),
       "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=scott;Password =****;"
       "Data Source=orcl;"},
      {"Driver={PostgreSQL Unicode};Server=h;Uid=u;Pwd=secret;",
       "Driver={PostgreSQL Unicode};Server=h;Uid=u;Pwd=****;"},
      {"PWD=abc", "PWD=****"},
      {" pAsSwOrD = x ; Uid=u", " pAsSwOrD =****; Uid=u"},
      {"\tPwd\t=x", "\tPwd\t=****"},
      {"Password='ti;ger';Uid=u", "Password=****;Uid=u"},
      {"Password=\"ti;ger\"", "Password=****"},
      {"Password='it''s;x';Uid=u", "Password=****;Uid=u"},
      {"Pwd={a;b}}c};Uid=u", "Pwd=****;Uid=u"},
      {"Pwd=1;Pwd=2", "Pwd=****;Pwd=****"},
      {"Uid=u;Pwd='never closed;Uid=x", "Uid=u;Pwd=****"},
  });
}

TEST(MaskPasswords, HidesPasswordsInsideExtendedProperties) {
  expectMasked({
      {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.xls;"
       "Extended Properties=\"Driver={X};PWD=abc;\"",
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.xls;"
       "Extended Properties=\"Driver={X};PWD=****;\""},
      {"extended properties='Excel 8.0;Password=\"a;b\"';Uid=u",
       "extended properties='Excel 8.0;Password=****';Uid=u"},
      {"Extended Properties={Pwd=x;HDR=No}", "Extended Properties={Pwd=****;HDR=No}"},
  });
}

// Strings without a password to hide are shown byte for byte.
TEST(MaskPasswords, LeavesEverythingElseAsWritten) {
  expectMasked({
      {"", ""},
      {"DSN=pg", "DSN=pg"},
      {accessConnectionString("/tmp/住所 録.mdb"),
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/住所 録.mdb"},
      {excelConnectionString("a.xlsx", 0),
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.xlsx;Extended Properties=\"Excel "
       "8.0;HDR=No;\""},
      {"a=1;;b=2; ;", "a=1;;b=2; ;"},
      {"Pwd=;Uid=u", "Pwd=;Uid=u"},
      {"Data Source=x;Password", "Data Source=x;Password"},
      {"PasswordHint=x;MyPwd=y", "PasswordHint=x;MyPwd=y"},
      {"Server=h ; Uid = u ;", "Server=h ; Uid = u ;"},
  });
}

}  // namespace
}  // namespace norvel
