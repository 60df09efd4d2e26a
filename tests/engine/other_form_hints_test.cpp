// A pair that matched nothing because the field writes the code another way: the forms looked
// for, and the hints a real SQLite file and workbook give after a run.
#include "engine/other_form_hints.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "catalog/pair_texts.h"
#include "engine/code_forms.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::TempDir;
using Strings = std::vector<std::string>;

TEST(OtherFormsOfCode, TheSameSevenDigitsWrittenTheOtherCommonWays) {
  const std::pair<std::string, Strings> cases[] = {
      {"100-0001", {"1000001", "１０００００１", "１００－０００１"}},
      {"1000001", {"100-0001", "１０００００１", "１００－０００１"}},
      {"１００－０００１", {"1000001", "100-0001", "１０００００１"}},
      {"１０００００１", {"1000001", "100-0001", "１００－０００１"}},
      // Hyphens an input method gives, and mixed widths, are the same code.
      {"100ー0001", {"1000001", "100-0001", "１０００００１", "１００－０００１"}},
      {"1０0-0001", {"1000001", "100-0001", "１０００００１", "１００－０００１"}},
      // Not a postal code: nothing to look for.
      {"", {}},
      {"NULL", {}},
      {"100-00012", {}},
      {"10-00001", {}},
      {"100--0001", {}},
      {" 100-0001", {}},
      {"abc-defg", {}},
      {std::string("100-000\xFF", 8), {}},
  };
  for (const auto& [code, forms] : cases) {
    EXPECT_EQ(otherFormsOfCode(code), forms) << code;
  }
}

class OtherFormHintsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SqliteFile db(path_);
    db.exec(
        "CREATE TABLE 住所 (郵便番号 TEXT, 番号 INTEGER);"
        "INSERT INTO 住所 VALUES ('1000001', 1000001), ('1000001', 1000001),"
        " ('１０００００１', 1), ('100-0005', 1000005), ('2000002', 2000002)");
  }

  std::vector<OtherFormHint> hints(const std::string& field, const std::vector<RunPair>& pairs,
                                   const std::vector<std::int64_t>& counts) {
    auto connection = openSqlite(path_);
    return findOtherFormHints(*connection, {"住所", field}, pairs, counts);
  }

  TempDir dir_;
  std::string path_ = dir_.file("台帳.db");
};

TEST_F(OtherFormHintsTest, OnlyPairsWithoutRowsWhoseCodeIsStoredAnotherWay) {
  const std::vector<RunPair> pairs = {
      {"100-0001", "100-0002"},  // 0 rows: stored as 1000001 and in full width
      {"100-0005", "100-0006"},  // replaced rows: no hint
      {"300-0003", "300-0004"},  // 0 rows, and no other form either
      {"2000002", "2000003"},    // 0 rows counted though the code is there: no other form
      {"NULL", "100-0009"},      // not a code
      {"200-0002", "200-0009"},  // 0 rows: stored without the hyphen
  };
  const std::vector<OtherFormHint> found = hints("郵便番号", pairs, {0, 1, 0, 0, 0, 0});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].pair_index, 0u);
  EXPECT_EQ(otherFormHintText(found[0], Language::japanese),
            "1 番目の置換ペア「100-0001 -> 100-0002」に一致する行はありません。このフィールドには"
            "「1000001」（2 行）、「１０００００１」（1 行）の形で入っています。");
  EXPECT_EQ(found[1].pair_index, 5u);
  EXPECT_EQ(otherFormHintText(found[1], Language::japanese),
            "6 番目の置換ペア「200-0002 -> 200-0009」に一致する行はありません。このフィールドには"
            "「2000002」（1 行）の形で入っています。");
}

TEST_F(OtherFormHintsTest, NoneForANumberFieldNorForAFailedRunsMissingCounts) {
  EXPECT_TRUE(hints("番号", {{"100-0001", "100-0002"}}, {0}).empty());
  // A failed run counts only the pairs before the failing one.
  EXPECT_TRUE(hints("郵便番号", {{"100-0005", "1"}, {"100-0001", "100-0002"}}, {1}).empty());
}

TEST_F(OtherFormHintsTest, AFieldTheDataSourceCannotQueryGivesNoHintAndNoError) {
  EXPECT_TRUE(hints("無い列", {{"100-0001", "100-0002"}}, {0}).empty());
}

// A real connection that keeps the text of every statement sent through it.
class CountingConnection final : public DatabaseConnection {
 public:
  explicit CountingConnection(DatabaseConnection& real) : real_(real) {}

  void close() override { real_.close(); }
  std::int64_t execute(const std::string& sql) override {
    statements.push_back(sql);
    return real_.execute(sql);
  }
  std::int64_t executeStatement(const SqlStatement& statement) override {
    statements.push_back(statement.withMarkers("?"));
    return real_.executeStatement(statement);
  }
  std::string identifierQuote() override { return real_.identifierQuote(); }
  QueryInfo query(const std::string& sql) override {
    statements.push_back(sql);
    return real_.query(sql);
  }
  QueryRows queryRows(const SqlStatement& statement) override {
    statements.push_back(statement.withMarkers("?"));
    if (statement.values().size() > max_values) throw DatabaseError("too many parameters");
    return real_.queryRows(statement);
  }
  void beginTransaction() override { real_.beginTransaction(); }
  void commitTransaction() override { real_.commitTransaction(); }
  void rollbackTransaction() override { real_.rollbackTransaction(); }
  std::vector<std::string> tableNames() override { return real_.tableNames(); }
  std::vector<std::string> columnNames(const std::string& table) override {
    return real_.columnNames(table);
  }

  Strings statements;
  // Beyond it a query is refused, as by a data source with a lower limit.
  std::size_t max_values = SIZE_MAX;

 private:
  DatabaseConnection& real_;
};

// Many pairs that matched nothing, each code stored in other forms or not at all, and what the
// field holds for them. Codes whose digits repeat between pairs share forms.
struct ManyPairs {
  Strings stored;
  std::vector<RunPair> pairs;
  std::vector<std::int64_t> counts;
};

ManyPairs manyPairs(std::size_t count) {
  ManyPairs many;
  const auto full_width = [](const std::string& digits) {
    static const char* const kDigits[] = {"０", "１", "２", "３", "４",
                                          "５", "６", "７", "８", "９"};
    std::string out;
    for (const char digit : digits) out += kDigits[digit - '0'];
    return out;
  };
  for (std::size_t k = 0; many.pairs.size() < count; ++k) {
    const std::string digits = std::to_string(1000000 + k * 37);
    const std::string hyphen = digits.substr(0, 3) + "-" + digits.substr(3);
    const std::string wide = full_width(digits);
    const std::string wide_hyphen =
        full_width(digits.substr(0, 3)) + "－" + full_width(digits.substr(3));
    const auto add = [&](const std::string& code, std::int64_t rows) {
      many.pairs.push_back({code, "999-0000"});
      many.counts.push_back(rows);
    };
    switch (k % 6) {
      case 0:  // stored with the hyphen
        many.stored.insert(many.stored.end(), {hyphen});
        add(digits, 0);
        break;
      case 1:  // two forms with as many rows: the data source's order between them
        many.stored.insert(many.stored.end(), {wide, digits, wide, digits});
        add(hyphen, 0);
        break;
      case 2:  // nowhere
        add(hyphen, 0);
        break;
      case 3:  // a pair counted 0 whose own code is there, and another pair asking for it
        many.stored.insert(many.stored.end(), {digits, wide_hyphen, wide_hyphen, wide_hyphen});
        add(hyphen, 0);
        add(wide_hyphen, 0);
        break;
      case 4:  // a blank after the code: another value where blanks count
        many.stored.insert(many.stored.end(), {digits + " "});
        add(hyphen, 0);
        break;
      case 5:  // replaced rows: no hint
        many.stored.insert(many.stored.end(), {wide});
        add(digits, 3);
        break;
    }
  }
  many.pairs.resize(count);
  many.counts.resize(count);
  return many;
}

// The hints one at a time, each pair the only one that matched nothing, as they were found when
// every pair had a query of its own.
std::vector<OtherFormHint> hintsOneByOne(DatabaseConnection& connection, const RunTarget& target,
                                         const ManyPairs& many) {
  std::vector<OtherFormHint> hints;
  for (std::size_t i = 0; i < many.pairs.size(); ++i) {
    if (many.counts[i] != 0) continue;
    std::vector<std::int64_t> counts(many.pairs.size(), 1);
    counts[i] = 0;
    for (OtherFormHint& hint : findOtherFormHints(connection, target, many.pairs, counts)) {
      hints.push_back(std::move(hint));
    }
  }
  return hints;
}

void expectSameHints(const std::vector<OtherFormHint>& found,
                     const std::vector<OtherFormHint>& expected) {
  ASSERT_EQ(found.size(), expected.size());
  for (std::size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].pair_index, expected[i].pair_index);
    EXPECT_EQ(otherFormHintText(found[i], Language::japanese),
              otherFormHintText(expected[i], Language::japanese));
  }
}

std::size_t countOf(const Strings& statements, const std::string& start) {
  return static_cast<std::size_t>(
      std::count_if(statements.begin(), statements.end(),
                    [&](const std::string& sql) { return sql.starts_with(start); }));
}

TEST(OtherFormHintsAtOnce, AThousandPairsAreOneQueryWithTheAnswersOfOneQueryEach) {
  TempDir dir;
  const std::string path = dir.file("台帳.db");
  const ManyPairs many = manyPairs(1000);
  {
    SqliteFile db(path);
    db.exec("CREATE TABLE 住所 (郵便番号 TEXT)");
    std::string values;
    for (const std::string& code : many.stored) {
      values += std::string(values.empty() ? "" : ", ") + "('" + code + "')";
    }
    db.exec("INSERT INTO 住所 VALUES " + values);
  }
  auto real = openSqlite(path);
  const RunTarget target{"住所", "郵便番号"};
  const std::vector<OtherFormHint> expected = hintsOneByOne(*real, target, many);

  CountingConnection counting(*real);
  const std::vector<OtherFormHint> found =
      findOtherFormHints(counting, target, many.pairs, many.counts);
  // The probe reads no row; one query reads the field.
  ASSERT_EQ(counting.statements.size(), 2u);
  EXPECT_EQ(countOf(counting.statements, "SELECT 郵便番号\r FROM 住所\r WHERE 1=0"), 1u);
  EXPECT_EQ(countOf(counting.statements, "SELECT 郵便番号, COUNT(*) FROM 住所 WHERE"), 1u);
  expectSameHints(found, expected);

  // Every kind of stored form is named as it was, the ties in the field's order.
  ASSERT_GE(found.size(), 4u);
  EXPECT_EQ(otherFormHintText(found[0], Language::japanese),
            "1 番目の置換ペア「1000000 -> 999-0000」に一致する行はありません。このフィールドには"
            "「100-0000」（1 行）の形で入っています。");
  EXPECT_EQ(otherFormHintText(found[1], Language::japanese),
            "2 番目の置換ペア「100-0037 -> 999-0000」に一致する行はありません。このフィールドには"
            "「1000037」（2 行）、「１００００３７」（2 行）の形で入っています。");
  EXPECT_EQ(otherFormHintText(found[2], Language::japanese),
            "4 番目の置換ペア「100-0111 -> 999-0000」に一致する行はありません。このフィールドには"
            "「１００－０１１１」（3 行）、「1000111」（1 行）の形で入っています。");
  EXPECT_EQ(
      otherFormHintText(found[3], Language::japanese),
      "5 番目の置換ペア「１００－０１１１ -> 999-0000」に一致する行はありません。このフィールドには"
      "「1000111」（1 行）の形で入っています。");
  EXPECT_EQ(found.size(), 1000u / 7 * 4 + 4u);

  // A data source that refuses so many values is asked pair by pair.
  CountingConnection refusing(*real);
  refusing.max_values = 4;
  expectSameHints(findOtherFormHints(refusing, target, many.pairs, many.counts), expected);
  EXPECT_EQ(countOf(refusing.statements, "SELECT 郵便番号, COUNT(*)"),
            1u + static_cast<std::size_t>(std::count(many.counts.begin(), many.counts.end(), 0)));

  // Past a thousand, one query per thousand pairs.
  const ManyPairs more = manyPairs(2100);
  std::vector<std::int64_t> none(more.pairs.size(), 0);
  CountingConnection counting_more(*real);
  findOtherFormHints(counting_more, target, more.pairs, none);
  EXPECT_EQ(countOf(counting_more.statements, "SELECT 郵便番号, COUNT(*)"), 3u);
}

// psqlODBC and the MariaDB driver over the test servers, with fields whose equality ignores
// trailing blanks.
TEST(OtherFormHintsAtOnce, ServersGiveTheAnswersOfOneQueryEach) {
  bool any = false;
  for (const char* variable : {"NORVEL_TEST_PG", "NORVEL_TEST_MARIADB"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr) continue;
    any = true;
    SCOPED_TRACE(variable);
    auto connection = openOdbc(value);
    const std::string table = "norvel_hints_" + std::to_string(::getpid());
    const ManyPairs many = manyPairs(300);
    for (const char* column : {"varchar(20)", "char(9)"}) {
      SCOPED_TRACE(column);
      connection->execute("DROP TABLE IF EXISTS " + table);
      connection->execute("CREATE TABLE " + table + " (f " + column + ")");
      std::string values;
      for (const std::string& code : many.stored) {
        values += std::string(values.empty() ? "" : ", ") + "('" + code + "')";
      }
      connection->execute("INSERT INTO " + table + " VALUES " + values);
      const RunTarget target{table, "f"};
      const std::vector<OtherFormHint> expected = hintsOneByOne(*connection, target, many);
      CountingConnection counting(*connection);
      const std::vector<OtherFormHint> found =
          findOtherFormHints(counting, target, many.pairs, many.counts);
      EXPECT_EQ(counting.statements.size(), 2u);
      EXPECT_GE(found.size(), 300u / 7 * 4);
      expectSameHints(found, expected);
    }
    connection->execute("DROP TABLE IF EXISTS " + table);
  }
  if (!any) {
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string(ci) == "true") FAIL() << "no test server is set in CI";
    GTEST_SKIP() << "neither NORVEL_TEST_PG nor NORVEL_TEST_MARIADB is set";
  }
}

}  // namespace
}  // namespace norvel
