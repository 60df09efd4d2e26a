// The ODBC layer against a real PostgreSQL server through psqlODBC ("PostgreSQL Unicode").
// NORVEL_TEST_PG holds the connection string; each test works in schemas of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <regex>

#include "platform/odbc/odbc_connection.h"
#include "support/database_error.h"

namespace norvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::ThrowsMessage;

class PostgresOdbc : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* pg = std::getenv("NORVEL_TEST_PG");
    if (pg == nullptr || *pg == '\0') {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true") FAIL() << "NORVEL_TEST_PG is not set in CI";
      GTEST_SKIP() << "NORVEL_TEST_PG is not set";
    }
    pg_ = pg;
    static int counter = 0;
    schema_ = "norvel_t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    admin_ = openOdbc(pg_);
    TearDown();
    admin_->execute("CREATE SCHEMA " + schema_ + "; CREATE SCHEMA " + schema_ + "_b");
    open()->execute(
        "CREATE TABLE 住所 (短縮 varchar(8), 固定 char(8), 番号 integer, 大番号 bigint,"
        " 数値 numeric(10,0), 実数 real, 倍精度 double precision, 小 smallint, 真偽 boolean,"
        " 日付 date, 日時 timestamp, 識別 uuid, \"𠮷\" bytea, 郵便番号 text);"
        "CREATE VIEW 大阪 AS SELECT 郵便番号 FROM 住所 WHERE 番号 = 5;"
        "CREATE TABLE a_b (p text); CREATE TABLE axb (q text); INSERT INTO 住所 (郵便番号, 番号)"
        " VALUES ('100-0001', 1), ('100-0001', 1), ('530-0001', 5), (NULL, NULL)");
  }

  void TearDown() override {
    if (admin_) admin_->execute("DROP SCHEMA IF EXISTS " + schema_ + ", " + schema_ + "_b CASCADE");
  }

  // Unqualified names resolve in this test's schema; a lock left behind fails, not hangs.
  std::unique_ptr<DatabaseConnection> open() {
    auto connection = openOdbc(pg_);
    connection->execute("SET search_path TO " + schema_ + "; SET lock_timeout = '10s'");
    return connection;
  }

  // Which of these codes a second connection sees.
  std::vector<std::string> codes() {
    auto reader = open();
    std::vector<std::string> codes = {"100-0001", "100-0002", "530-0001", "530-0002", "𠮷野"};
    std::erase_if(codes, [&](const std::string& code) {
      return reader->query("SELECT 1 FROM 住所 WHERE 郵便番号 = '" + code + "'").eof;
    });
    return codes;
  }

  std::string pg_;
  std::string schema_;
  std::unique_ptr<DatabaseConnection> admin_;
};

TEST_F(PostgresOdbc, DescribesColumnsTypesAndTables) {
  const std::pair<const char*, int> cases[] = {
      {"短縮", ado::adVarWChar},    {"固定", ado::adWChar},
      {"番号", ado::adInteger},     {"大番号", ado::adBigInt},
      {"数値", ado::adNumeric},     {"実数", ado::adSingle},
      {"倍精度", ado::adDouble},    {"小", ado::adSmallInt},
      {"真偽", ado::adVarChar},     {"日付", ado::adDBDate},
      {"日時", ado::adDBTimeStamp}, {"識別", ado::adGUID},
      {"𠮷", ado::adLongVarBinary}, {"郵便番号", ado::adLongVarWChar},
  };
  auto connection = open();
  std::vector<std::string> columns;
  for (const auto& [column, code] : cases) {
    const QueryInfo info =
        connection->query(std::string("SELECT \"") + column + "\"\r FROM 住所\r WHERE 1=0\r");
    EXPECT_EQ(info.first_column_type, code) << column;
    EXPECT_TRUE(info.eof) << column;
    columns.push_back(column);
  }
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 大阪").eof);
  EXPECT_EQ(connection->columnNames("住所"), columns);
  EXPECT_THAT(connection->columnNames("a_b"), ElementsAre("p"));  // "_" is no wildcard
  EXPECT_THAT(connection->columnNames("存在しない"), ::testing::IsEmpty());
  // Only the search path's schemas, not pg_catalog or information_schema; of two tables of one
  // name the one a query finds.
  EXPECT_THAT(connection->tableNames(), ElementsAre("a_b", "axb", "住所", "大阪"));
  connection->execute("CREATE TABLE " + schema_ + "_b.住所 (別 text)");
  connection->execute("SET search_path TO " + schema_ + "_b, " + schema_);
  EXPECT_THAT(connection->columnNames("住所"), ElementsAre("別"));
}

// A run keeping a journal takes the rows' values before from the UPDATE's own RETURNING only
// where a value equal to the old code is that code byte for byte.
TEST_F(PostgresOdbc, UpdateReturnsValuesBeforeOnlyWhereEqualityIsOfTheSameText) {
  auto connection = open();
  connection->execute(
      "CREATE DOMAIN 郵便 AS text; CREATE COLLATION 大小無視 (provider = icu, locale = "
      "'und-u-ks-level2', deterministic = false); ALTER TABLE 住所 ADD 領域 郵便, ADD 無視 text "
      "COLLATE 大小無視, ADD \"C\" varchar(8) COLLATE \"C\"");
  const std::pair<const char*, bool> cases[] = {
      {"郵便番号", true}, {"短縮", true},        {"C", true},     {"番号", true},
      {"大番号", true},   {"小", true},          {"固定", false}, {"数値", false},
      {"実数", false},    {"倍精度", false},     {"真偽", false}, {"領域", false},
      {"無視", false},    {"存在しない", false},
  };
  SetBasedSupport* support = connection->setBasedSupport();
  ASSERT_NE(support, nullptr);
  for (const auto& [column, answer] : cases) {
    EXPECT_EQ(support->updateReturnsValuesBefore("住所", column), answer) << column;
  }
  EXPECT_FALSE(support->updateReturnsValuesBefore("存在しない", "郵便番号"));
  // The question leaves the transaction usable.
  connection->beginTransaction();
  EXPECT_TRUE(support->updateReturnsValuesBefore("住所", "郵便番号"));
  EXPECT_EQ(connection->execute("UPDATE 住所 SET 番号 = 2 WHERE 番号 = 1"), 2);
  connection->rollbackTransaction();
}

// psqlODBC reads a doubled backslash in a catalog pattern as two backslashes: a table named with
// one was found to have no fields. Each name finds its own table's fields, and only those.
TEST_F(PostgresOdbc, CatalogNamesWithPatternAndEscapeCharacters) {
  auto connection = open();
  connection->execute(
      "CREATE TABLE \"t\\\" (backslash text); CREATE TABLE \"t\\x\" (other text);"
      "CREATE TABLE \"t\\_\" (underscore text); CREATE TABLE \"t%\" (percent text);"
      "CREATE TABLE \"zip$data\" (dollar text); CREATE TABLE \"t$1\" (parameter text);"
      "CREATE TABLE \"T\\\" (capital text)");
  const std::pair<const char*, const char*> cases[] = {
      {"t\\", "backslash"},   {"t\\x", "other"},    {"t\\_", "underscore"}, {"t%", "percent"},
      {"zip$data", "dollar"}, {"t$1", "parameter"}, {"T\\", "capital"},
  };
  for (const auto& [table, column] : cases) {
    EXPECT_THAT(connection->columnNames(table), ElementsAre(column)) << table;
  }
  EXPECT_THAT(connection->columnNames("t_"), ::testing::IsEmpty());
  EXPECT_THAT(connection->columnNames("t\\\\"), ::testing::IsEmpty());
  // PostgreSQL refuses brackets: "$" names go in its own quote.
  EXPECT_FALSE(connection->takesBracketedNames());
  EXPECT_EQ(connection->identifierQuote(), "\"");
}

TEST_F(PostgresOdbc, CountsAndTransactionsAsAnotherConnectionSeesThem) {
  auto connection = open();
  const std::string update = "UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'";
  connection->beginTransaction();
  EXPECT_EQ(connection->execute(update), 2);
  EXPECT_THAT(codes(), ElementsAre("100-0001", "530-0001"));
  connection->commitTransaction();
  EXPECT_THAT(codes(), ElementsAre("100-0002", "530-0001"));
  EXPECT_EQ(connection->execute(update), 0);

  connection->beginTransaction();
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 郵便番号 = '530-0002' WHERE 番号 = 5"), 1);
  EXPECT_EQ(connection->execute("DELETE FROM 住所 WHERE 番号 = 1"), 2);
  connection->rollbackTransaction();
  EXPECT_THAT(codes(), ElementsAre("100-0002", "530-0001"));

  // Autocommit is back on; a transaction left open rolls back and leaves no lock behind.
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 郵便番号 = '𠮷野' WHERE 郵便番号 IS NULL "), 1);
  EXPECT_EQ(connection->execute("CREATE TABLE 新 (a text)"), 0);
  connection->beginTransaction();
  connection->execute("DELETE FROM 住所");
  connection.reset();
  EXPECT_THAT(codes(), ElementsAre("100-0002", "530-0001", "𠮷野"));
  EXPECT_EQ(open()->execute("UPDATE 住所 SET 番号 = 1"), 4);
}

TEST_F(PostgresOdbc, FailuresCarryTheServersText) {
  auto connection = open();
  EXPECT_THAT([&] { connection->query("SELECT 郵便番号\r FROM 存在しない\r WHERE 1=0\r"); },
              ThrowsMessage<DatabaseError>(HasSubstr("relation \"存在しない\" does not exist")));
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 住所").eof);  // still usable
  const auto with = [&](const std::string& key, const std::string& value) {
    return std::regex_replace(pg_, std::regex(key + "=[^;]*", std::regex::icase),
                              key + "=" + value);
  };
  EXPECT_THAT([&] { openOdbc(with("Pwd", "wrong")); },
              ThrowsMessage<DatabaseError>(HasSubstr("password authentication failed for user")));
  // Japanese in the connection string reaches the server intact.
  EXPECT_THAT([&] { openOdbc(with("Database", "無い台帳")); },
              ThrowsMessage<DatabaseError>(HasSubstr("database \"無い台帳\" does not exist")));
}

// SQLSTATE and category come from the driver's first diagnostic record; the text is unchanged.
TEST_F(PostgresOdbc, FailuresSayWhatKindTheyAre) {
  auto connection = open();
  connection->execute("ALTER TABLE 住所 ADD CHECK (length(郵便番号) <= 8)");
  struct Case {
    std::function<void()> action;
    std::string sql_state;
    DatabaseErrorCategory category;
    std::string text;
  };
  const Case cases[] = {
      {[&] { connection->execute("UPDATE 住所 SET 無い = '1'"); }, "42703",
       DatabaseErrorCategory::syntax, "column \"無い\" of relation \"住所\" does not exist"},
      {[&] { connection->execute("UPDATE 住所 SET 郵便番号 = '100-00001'"); }, "23514",
       DatabaseErrorCategory::constraint, "violates check constraint"},
      {[&] {
         openOdbc(std::regex_replace(pg_, std::regex("Pwd=[^;]*", std::regex::icase), "Pwd=wrong"));
       },
       // psqlODBC reports every failed log-in as 08001, not the server's 28P01.
       "08001", DatabaseErrorCategory::connection, "password authentication failed for user"},
  };
  for (const Case& c : cases) {
    const DatabaseError error = testing::databaseErrorOf(c.action);
    EXPECT_EQ(error.sqlState(), c.sql_state) << error.what();
    EXPECT_EQ(error.category(), c.category) << error.what();
    EXPECT_THAT(error.what(), HasSubstr(c.text));
    EXPECT_TRUE(error.nativeCode().has_value()) << error.what();
  }
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 住所").eof);  // still usable
}

// A dropped connection fails with a text instead of hanging, whether or not the driver has
// noticed the loss before the commit; nothing is committed.
TEST_F(PostgresOdbc, DroppedConnectionFailsWithText) {
  const auto fails_with_text = ThrowsMessage<DatabaseError>(Not(HasSubstr("no description")));
  for (const bool noticed : {false, true}) {
    const std::string name = "norvel_victim_" + schema_ + (noticed ? "_n" : "");
    auto victim = open();
    victim->execute("SET application_name = '" + name + "'");
    victim->beginTransaction();
    EXPECT_EQ(victim->execute("UPDATE 住所 SET 郵便番号 = '100-0002' WHERE 番号 = 1"), 2);
    const std::string kill =
        "SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity"
        " WHERE application_name = '" +
        name + "'";
    ASSERT_FALSE(open()->query(kill).eof);
    if (noticed) {
      EXPECT_THAT([&] { victim->query("SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r"); },
                  fails_with_text);
    }
    EXPECT_THAT([&] { victim->commitTransaction(); }, fails_with_text) << noticed;
    EXPECT_NO_THROW(victim->rollbackTransaction());
    victim.reset();
    EXPECT_THAT(codes(), ElementsAre("100-0001", "530-0001"));
  }
}

}  // namespace
}  // namespace norvel
