// The ODBC layer against a real PostgreSQL server through psqlODBC ("PostgreSQL Unicode").
// NORVEL_TEST_PG holds the connection string (.ci/start-postgres.sh prints it). Each test works
// in a schema of its own, so that runs in parallel do not meet.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <regex>

#include "platform/odbc/odbc_connection.h"

namespace norvel {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;

bool hasRow(DatabaseConnection& connection, const std::string& sql) {
  return !connection.query(sql).eof;
}

class PostgresOdbc : public testing::Test {
 protected:
  void SetUp() override {
    const char* connection_string = std::getenv("NORVEL_TEST_PG");
    if (connection_string == nullptr || *connection_string == '\0') {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true") {
        FAIL() << "NORVEL_TEST_PG is not set; CI must start PostgreSQL (.ci/start-postgres.sh)";
      }
      GTEST_SKIP() << "NORVEL_TEST_PG is not set";
    }
    connection_string_ = connection_string;
    static int counter = 0;
    schema_ = "norvel_t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    admin_ = openOdbc(connection_string_);
    admin_->execute("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
    admin_->execute("CREATE SCHEMA " + schema_);
    auto connection = open();
    connection->execute(
        "CREATE TABLE 住所 (郵便番号 text, 短縮 varchar(8), 固定 char(8), 番号 integer,"
        " 大番号 bigint, 数値 numeric(10,0), 実数 real, 倍精度 double precision, 小 smallint,"
        " 真偽 boolean, 日付 date, 日時 timestamp, 識別 uuid, 塊 bytea)");
    connection->execute(
        "INSERT INTO 住所 (郵便番号, 番号) VALUES ('100-0001', 1000001), ('100-0001', 1000001),"
        " ('530-0001', 5300001), (NULL, NULL)");
    connection->execute("CREATE VIEW 大阪 AS SELECT 郵便番号 FROM 住所 WHERE 番号 > 5000000");
    connection->execute("CREATE TABLE a_b (p text)");
    connection->execute("CREATE TABLE axb (q text)");
    connection->execute("CREATE TABLE \"Abc\" (upper_case text)");
    connection->execute("CREATE TABLE abc (lower_case text)");
  }

  void TearDown() override {
    if (admin_) admin_->execute("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
  }

  // A connection whose unqualified names resolve in this test's schema only.
  std::unique_ptr<DatabaseConnection> open() {
    auto connection = openOdbc(connection_string_);
    connection->execute("SET search_path TO " + schema_);
    // A lock left behind must fail a test, not hang it.
    connection->execute("SET lock_timeout = '10s'");
    return connection;
  }

  std::vector<bool> codesPresent(const std::vector<std::string>& codes) {
    auto connection = open();
    std::vector<bool> present;
    for (const std::string& code : codes) {
      present.push_back(hasRow(*connection, "SELECT 1 FROM 住所 WHERE 郵便番号 = '" + code + "'"));
    }
    return present;
  }

  // Terminates the backends with that application_name and waits (up to 10 s) until they are gone.
  void terminate(const std::string& application_name) {
    ASSERT_TRUE(hasRow(*open(),
                       "SELECT pg_terminate_backend(pid, 10000) FROM pg_stat_activity"
                       " WHERE application_name = '" +
                           application_name + "'"));
  }

  std::string connection_string_;
  std::string schema_;
  std::unique_ptr<DatabaseConnection> admin_;
};

TEST_F(PostgresOdbc, ReportsColumnTypesAsAdoCodes) {
  struct Case {
    const char* column;
    int code;
  };
  const Case cases[] = {
      {"郵便番号", ado::adLongVarWChar},  // text: SQL_WLONGVARCHAR
      {"短縮", ado::adVarWChar},          // varchar(8): SQL_WVARCHAR
      {"固定", ado::adWChar},             // char(8): SQL_WCHAR
      {"番号", ado::adInteger},
      {"大番号", ado::adBigInt},
      {"数値", ado::adNumeric},
      {"実数", ado::adSingle},
      {"倍精度", ado::adDouble},
      {"小", ado::adSmallInt},
      {"真偽", ado::adVarChar},  // psqlODBC's BoolsAsChar default: SQL_VARCHAR
      {"日付", ado::adDBDate},
      {"日時", ado::adDBTimeStamp},
      {"識別", ado::adGUID},
      {"塊", ado::adLongVarBinary},
  };
  auto connection = open();
  for (const Case& c : cases) {
    const QueryInfo info =
        connection->query(std::string("SELECT ") + c.column + "\r FROM 住所\r WHERE 1=0\r");
    EXPECT_EQ(info.first_column_type, c.code) << c.column;
    EXPECT_TRUE(info.eof) << c.column;
  }
}

TEST_F(PostgresOdbc, QueryTellsWhetherThereIsARow) {
  auto connection = open();
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 住所").eof);
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 大阪").eof);
  EXPECT_TRUE(connection->query("SELECT 郵便番号 FROM 住所 WHERE 番号 = 0").eof);
}

TEST_F(PostgresOdbc, ListsTheTablesAndViewsOfTheSearchPath) {
  auto connection = open();
  EXPECT_THAT(connection->tableNames(), ElementsAre("Abc", "a_b", "abc", "axb", "住所", "大阪"));

  // With the role's default search path this schema is not searched, and the system schemas
  // never show.
  const std::string hidden = "隠れ_" + schema_;
  connection->execute("CREATE TABLE \"" + hidden + "\" (a text)");
  auto default_path = openOdbc(connection_string_);
  const std::vector<std::string> names = default_path->tableNames();
  for (const std::string& name : {hidden, std::string("pg_class"), std::string("pg_tables"),
                                  std::string("tables"), std::string("columns")}) {
    EXPECT_THAT(names, Not(Contains(name)));
  }
  // The role's default schema path ends in public, which the database owner may use.
  const std::string visible = "見える_" + schema_;
  default_path->execute("CREATE TABLE public.\"" + visible + "\" (a text)");
  EXPECT_THAT(default_path->tableNames(), Contains(visible));
  default_path->execute("DROP TABLE public.\"" + visible + "\"");
}

TEST_F(PostgresOdbc, ListsColumnsInTheirOrder) {
  auto connection = open();
  EXPECT_THAT(connection->columnNames("住所"),
              ElementsAre("郵便番号", "短縮", "固定", "番号", "大番号", "数値", "実数", "倍精度",
                          "小", "真偽", "日付", "日時", "識別", "塊"));
  EXPECT_THAT(connection->columnNames("大阪"), ElementsAre("郵便番号"));
  EXPECT_THAT(connection->columnNames("a_b"), ElementsAre("p"));
  EXPECT_THAT(connection->columnNames("Abc"), ElementsAre("upper_case"));
  EXPECT_THAT(connection->columnNames("abc"), ElementsAre("lower_case"));
  EXPECT_THAT(connection->columnNames("ABC"), IsEmpty());
  EXPECT_THAT(connection->columnNames("存在しない"), IsEmpty());
}

TEST_F(PostgresOdbc, ColumnsComeFromTheTableTheSearchPathFinds) {
  const std::string other = schema_ + "_other";
  admin_->execute("DROP SCHEMA IF EXISTS " + other + " CASCADE");
  admin_->execute("CREATE SCHEMA " + other);
  admin_->execute("CREATE TABLE " + other + ".住所 (別 text)");
  auto connection = open();
  EXPECT_THAT(connection->columnNames("住所"), Contains("郵便番号"));
  EXPECT_THAT(connection->columnNames("住所"), Not(Contains("別")));
  connection->execute("SET search_path TO " + other + ", " + schema_);
  EXPECT_THAT(connection->columnNames("住所"), ElementsAre("別"));
  EXPECT_THAT(connection->tableNames(), Contains("住所").Times(2));
  admin_->execute("DROP SCHEMA " + other + " CASCADE");
}

TEST_F(PostgresOdbc, ExecuteReturnsTheChangedRowCount) {
  auto connection = open();
  const std::string update = "UPDATE 住所\r SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'";
  EXPECT_EQ(connection->execute(update), 2);
  EXPECT_EQ(connection->execute(update), 0);
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 郵便番号 = '東京都千代田区' WHERE 郵便番号 "
                                "IS NULL "),
            1);
  EXPECT_EQ(connection->execute("UPDATE 住所\r SET 番号 = NULL WHERE 番号 = 5300001"), 1);
  EXPECT_EQ(connection->execute("DELETE FROM 住所 WHERE 番号 IS NULL AND 郵便番号 = '530-0001'"),
            1);
  EXPECT_EQ(connection->execute("CREATE TABLE 新 (a text)"), 0);
  EXPECT_THAT(codesPresent({"100-0001", "100-0002", "東京都千代田区", "530-0001"}),
              ElementsAre(false, true, true, false));
}

TEST_F(PostgresOdbc, CommitIsSeenFromAnotherConnection) {
  auto connection = open();
  connection->beginTransaction();
  EXPECT_EQ(
      connection->execute("UPDATE 住所 SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"), 2);
  EXPECT_THAT(codesPresent({"100-0001", "100-0002"}), ElementsAre(true, false));
  connection->commitTransaction();
  EXPECT_THAT(codesPresent({"100-0001", "100-0002"}), ElementsAre(false, true));
  // Autocommit is back on.
  EXPECT_EQ(
      connection->execute("UPDATE 住所 SET 郵便番号 = '100-0003' WHERE 郵便番号 = '100-0002'"), 2);
  EXPECT_THAT(codesPresent({"100-0002", "100-0003"}), ElementsAre(false, true));
}

TEST_F(PostgresOdbc, RollbackUndoesEveryStatementOfTheTransaction) {
  auto connection = open();
  connection->beginTransaction();
  EXPECT_EQ(
      connection->execute("UPDATE 住所 SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"), 2);
  EXPECT_EQ(
      connection->execute("UPDATE 住所 SET 郵便番号 = '530-0002' WHERE 郵便番号 = '530-0001'"), 1);
  connection->rollbackTransaction();
  EXPECT_THAT(codesPresent({"100-0001", "100-0002", "530-0001", "530-0002"}),
              ElementsAre(true, false, true, false));
}

TEST_F(PostgresOdbc, DestroyingAnOpenTransactionRollsBack) {
  {
    auto connection = open();
    connection->beginTransaction();
    EXPECT_EQ(connection->execute("DELETE FROM 住所"), 4);
  }
  EXPECT_THAT(codesPresent({"100-0001", "530-0001"}), ElementsAre(true, true));
  // No row lock outlives the connection (lock_timeout would fail this).
  EXPECT_EQ(open()->execute("UPDATE 住所 SET 番号 = 1"), 4);
}

TEST_F(PostgresOdbc, StatementErrorsCarryTheServersText) {
  auto connection = open();
  try {
    connection->query("SELECT 郵便番号\r FROM 存在しない\r WHERE 1=0\r");
    FAIL() << "no error";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("relation \"存在しない\" does not exist"));
  }
  try {
    connection->execute("UPDATE 住所\r SET 番号 = 'abc' WHERE 番号 = 1000001");
    FAIL() << "no error";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("invalid input syntax for type integer: \"abc\""));
  }
  EXPECT_FALSE(connection->query("SELECT 郵便番号 FROM 住所").eof);
}

TEST_F(PostgresOdbc, WrongPasswordFailsWithTheServersText) {
  const std::string wrong = std::regex_replace(
      connection_string_, std::regex("Pwd=[^;]*", std::regex::icase), "Pwd=wrong-password");
  ASSERT_NE(wrong, connection_string_);
  try {
    openOdbc(wrong);
    FAIL() << "opened with a wrong password";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("password authentication failed for user"));
  }
}

TEST_F(PostgresOdbc, JapaneseInTheConnectionStringReachesTheServer) {
  const std::string missing = std::regex_replace(
      connection_string_, std::regex("Database=[^;]*", std::regex::icase), "Database=無い台帳");
  ASSERT_NE(missing, connection_string_);
  try {
    openOdbc(missing);
    FAIL() << "opened a database that does not exist";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(e.what(), HasSubstr("database \"無い台帳\" does not exist"));
  }
}

TEST_F(PostgresOdbc, DroppedConnectionFailsWithTextInsteadOfHanging) {
  const std::string name = "norvel_victim_" + schema_;
  auto victim = open();
  victim->execute("SET application_name = '" + name + "'");
  victim->beginTransaction();
  EXPECT_EQ(victim->execute("UPDATE 住所 SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"),
            2);
  terminate(name);

  const auto expectFailure = [](const char* what, const std::function<void()>& operation) {
    try {
      operation();
      ADD_FAILURE() << what << ": no error on a dropped connection";
    } catch (const DatabaseError& e) {
      const std::string text = e.what();
      EXPECT_THAT(text, Not(IsEmpty())) << what;
      EXPECT_THAT(text, Not(HasSubstr("gave no description"))) << what;
    }
  };
  expectFailure("probe", [&] { victim->query("SELECT 郵便番号\r FROM 住所\r WHERE 1=0\r"); });
  expectFailure("update", [&] { victim->execute("UPDATE 住所 SET 郵便番号 = '1'"); });
  expectFailure("commit", [&] { victim->commitTransaction(); });
  expectFailure("tables", [&] { victim->tableNames(); });
  expectFailure("columns", [&] { victim->columnNames("住所"); });
  victim.reset();  // rolls back and disconnects quietly

  EXPECT_THAT(codesPresent({"100-0001", "100-0002"}), ElementsAre(true, false));
}

TEST_F(PostgresOdbc, CommitOnADroppedConnectionFails) {
  const std::string name = "norvel_victim_" + schema_;
  auto victim = open();
  victim->execute("SET application_name = '" + name + "'");
  victim->beginTransaction();
  EXPECT_EQ(victim->execute("UPDATE 住所 SET 郵便番号 = '100-0002' WHERE 郵便番号 = '100-0001'"),
            2);
  terminate(name);
  try {
    victim->commitTransaction();
    FAIL() << "committed on a dropped connection";
  } catch (const DatabaseError& e) {
    EXPECT_THAT(std::string(e.what()), Not(IsEmpty()));
  }
  EXPECT_NO_THROW(victim->rollbackTransaction());
  victim.reset();
  EXPECT_THAT(codesPresent({"100-0001", "100-0002"}), ElementsAre(true, false));
}

}  // namespace
}  // namespace norvel
