#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "platform/odbc/odbc_connection.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::WindowHarness;

// The same hostile pairs and names against every kind of data source the tests can reach: a
// SQLite file, PostgreSQL reading backslashes as escapes, and MariaDB with its default sql_mode.
struct Source {
  std::string name;
  std::string connection_string;  // as typed on the fourth tab
  std::string quote;              // for the test's own DDL
  std::function<std::unique_ptr<DatabaseConnection>()> open_admin;
};

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::vector<std::string> sourceNames() {
  return {"sqlite", "postgresql", "mariadb"};
}

class HostileInputRun : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const std::string kind = GetParam();
    table_ = "hostile_" + std::to_string(::getpid());
    if (kind == "sqlite") {
      const std::string path = h.dir.file("hostile.sqlite");
      { testing::SqliteFile create(path); }
      source_ = {kind, "Provider=SQLite;Data Source=" + path, "\"",
                 [path] { return openSqlite(path); }};
    } else {
      const std::string variable = kind == "postgresql" ? "NORVEL_TEST_PG" : "NORVEL_TEST_MARIADB";
      std::string connection = environment(variable.c_str());
      if (connection.empty()) {
        if (environment("CI") == "true") FAIL() << variable << " is not set in CI";
        GTEST_SKIP() << variable << " is not set";
      }
      // PostgreSQL's old escape rules: a backslash inside '…' escapes the next character.
      if (kind == "postgresql") {
        connection += "ConnSettings=SET standard_conforming_strings=off;";
      }
      source_ = {kind, connection, kind == "postgresql" ? "\"" : "`",
                 [connection] { return openOdbc(connection); }};
    }
    admin_ = source_.open_admin();
    dropTables();
    ASSERT_TRUE(h.start());
  }

  void TearDown() override {
    if (h.window) h.form().userCloses();
    if (admin_) dropTables();
  }

  std::string q(const std::string& name) {
    std::string quoted = source_.quote;
    for (const char c : name) {
      quoted += c;
      if (std::string(1, c) == source_.quote) quoted += c;
    }
    return quoted + source_.quote;
  }

  void dropTables() {
    admin_->execute("DROP TABLE IF EXISTS " + table_);
    admin_->execute("DROP TABLE IF EXISTS " + table_ + "_sentinel");
    for (const std::string& table : oddTables())
      admin_->execute("DROP TABLE IF EXISTS " + q(table));
  }

  // Names with a worksheet's "$" (and "$1", PostgreSQL's parameter marker) or a catalog
  // pattern's escape character.
  std::vector<std::string> oddTables() const {
    return {table_ + "_zip$data", table_ + "_t$1", table_ + "_t\\"};
  }

  void createTables(const std::vector<std::string>& columns) {
    std::string ddl = "CREATE TABLE " + table_ + " (n integer";
    for (const std::string& column : columns) ddl += ", " + q(column) + " varchar(60)";
    admin_->execute(ddl + ")");
    admin_->execute("CREATE TABLE " + table_ + "_sentinel (x integer)");
    admin_->execute("INSERT INTO " + table_ + "_sentinel VALUES (1)");
  }

  // Rows whose column holds exactly the value, counted through an UPDATE that changes each.
  long rowsWith(const std::string& column, const std::string& value) {
    SqlStatement count("UPDATE " + table_ + " SET n = n + 1 WHERE " + q(column) + " = ");
    count.appendValue({SqlValue::Kind::text, value, ado::adVarWChar});
    return static_cast<long>(admin_->executeStatement(count));
  }
  long sentinelRows() {
    return static_cast<long>(
        admin_->execute("UPDATE " + table_ + "_sentinel SET x = x + 1 WHERE 1 = 1"));
  }

  void run(const std::string& field,
           const std::vector<std::pair<std::string, std::string>>& pairs) {
    for (const auto& [old_code, new_code] : pairs) h.addPair(old_code, new_code);
    h.tab(3);
    h.type(h.w().txt接続文字列, source_.connection_string);
    h.click(h.w().cmd接続);
    ASSERT_TRUE(h.w().mbConnected()) << (h.messageTexts().empty() ? "" : h.messageTexts()[0]);
    h.selectText(h.w().cobテーブル名, table_);
    h.selectText(h.w().cobフィールド名, field);
    h.click(h.w().cmd開始);
  }

  WindowHarness h;
  Source source_;
  std::string table_;
  std::unique_ptr<DatabaseConnection> admin_;
};

TEST_P(HostileInputRun, CodesAreStoredAsTypedAndNeverEndTheirLiteral) {
  createTables({"f"});
  for (int i = 1; i <= 6; ++i) {
    admin_->execute("INSERT INTO " + table_ + " (n, f) VALUES (0, 'm" + std::to_string(i) + "')");
  }
  const std::string where_all = "\\' WHERE 1=1 #";
  const std::string delete_sentinel = "\\'; DELETE FROM " + table_ + "_sentinel; --";
  run("f", {{"m1", where_all}, {"m2", delete_sentinel}, {"\\' OR 1=1 --", "z"}});

  ASSERT_EQ(h.messageTexts(), std::vector<std::string>{"2件置換しました。"})
      << h.w().txt状況.text();
  EXPECT_EQ(rowsWith("f", where_all), 1);
  EXPECT_EQ(rowsWith("f", delete_sentinel), 1);
  for (const char* untouched : {"m3", "m4", "m5", "m6"}) EXPECT_EQ(rowsWith("f", untouched), 1);
  EXPECT_EQ(rowsWith("f", "z"), 0);
  EXPECT_EQ(sentinelRows(), 1);
}

TEST_P(HostileInputRun, OddAndHostileNamesAreQuotedAndWork) {
  const std::string hostile = "'f' = 'f'; DELETE FROM " + table_ + "_sentinel; --";
  const std::vector<std::string> columns = {"f", "a b", "a\"b", "f'x", hostile};
  createTables(columns);
  std::string insert = "INSERT INTO " + table_ + " VALUES (0";
  for (std::size_t i = 0; i < columns.size(); ++i) insert += ", 'old'";
  admin_->execute(insert + "), (0, 'keep', 'keep', 'keep', 'keep', 'keep')");

  run("f", {{"old", "new"}});
  ASSERT_EQ(rowsWith("f", "new"), 1);
  admin_->execute("UPDATE " + table_ + " SET f = 'old' WHERE f = 'new'");
  for (const std::string& column :
       {std::string("a b"), std::string("a\"b"), std::string("f'x"), hostile}) {
    SCOPED_TRACE(column);
    h.selectText(h.w().cobフィールド名, column);
    h.click(h.w().cmd開始);
    EXPECT_EQ(h.messageTexts().back(), "1件置換しました。") << h.w().txt状況.text();
    EXPECT_EQ(rowsWith(column, "new"), 1);
    EXPECT_EQ(rowsWith("f", "old"), 1);  // the plain column is left alone
    EXPECT_EQ(sentinelRows(), 1);
    admin_->execute("UPDATE " + table_ + " SET " + q(column) + " = 'old' WHERE " + q(column) +
                    " = 'new'");
  }
}

TEST_P(HostileInputRun, TablesNamedWithDollarOrBackslashAreFoundAndReplaced) {
  for (const std::string& table : oddTables()) {
    admin_->execute("CREATE TABLE " + q(table) + " (n integer, 郵便番号 varchar(60))");
    admin_->execute("INSERT INTO " + q(table) +
                    " VALUES (0, '100-0001'), (0, '100-0001'), (0, '100-0003')");
  }
  // Enough pairs for the set-based statements where the data source has them.
  h.addPair("100-0001", "100-0002");
  h.addPair("999-0001", "999-0002");
  h.addPair("999-0003", "999-0004");
  h.tab(3);
  h.type(h.w().txt接続文字列, source_.connection_string);
  h.click(h.w().cmd接続);
  ASSERT_TRUE(h.w().mbConnected()) << (h.messageTexts().empty() ? "" : h.messageTexts()[0]);
  for (const std::string& table : oddTables()) {
    SCOPED_TRACE(table);
    h.windows.clearMessages();
    h.selectText(h.w().cobテーブル名, table);
    // The fields come from the catalog: a table it cannot find has none to pick.
    ASSERT_EQ(h.w().cobフィールド名.items(), (std::vector<std::string>{"n", "郵便番号"}));
    h.selectText(h.w().cobフィールド名, "郵便番号");
    h.click(h.w().cmd開始);
    EXPECT_EQ(h.messageTexts(), std::vector<std::string>{"2件置換しました。"})
        << h.w().txt状況.text();
    const auto rows = [&](const std::string& code) {
      return admin_->execute("UPDATE " + q(table) + " SET n = n + 1 WHERE 郵便番号 = '" + code +
                             "'");
    };
    EXPECT_EQ(rows("100-0002"), 2);
    EXPECT_EQ(rows("100-0001"), 0);
    EXPECT_EQ(rows("100-0003"), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, HostileInputRun, ::testing::ValuesIn(sourceNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace norvel
