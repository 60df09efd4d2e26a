// A run on PostgreSQL that the server refuses: the box leads the server's text with a sentence
// of its kind and ends with what became of the data; a session that may only read is named
// when the window connects.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>

#include "platform/odbc/odbc_connection.h"
#include "support/window_harness.h"

namespace norvel {
namespace {

using testing::WindowHarness;

constexpr const char* kRolledBack =
    "エラーのため、すべての置換を取り消しました（ロールバック）。データは何も変わっていません。";

bool startsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}
bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class PostgresFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* value = std::getenv("NORVEL_TEST_PG");
    if (value == nullptr || *value == '\0') {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true") FAIL() << "NORVEL_TEST_PG is not set in CI";
      GTEST_SKIP() << "NORVEL_TEST_PG is not set";
    }
    connection_string = value;
    // Other test programs share the server: a table and a role of this process's own.
    const std::string id = std::to_string(::getpid());
    table = "住所_failure_" + id;
    role = "norvel_reader_" + id;
    admin = openOdbc(connection_string);
    admin->execute("DROP TABLE IF EXISTS " + table);
    admin->execute("CREATE TABLE " + table + " (郵便番号 text CHECK (郵便番号 <> 'bad'))");
    admin->execute("INSERT INTO " + table + " VALUES ('100-0001'), ('100-0001'), ('100-0003')");
    ASSERT_TRUE(h.start());
  }
  void TearDown() override {
    if (h.window) h.form().userCloses();
    if (!admin) return;
    admin->execute("DROP TABLE IF EXISTS " + table);
    admin->execute("DROP ROLE IF EXISTS " + role);
  }

  void connect(const std::string& connection) {
    h.tab(3);
    h.type(h.w().txt接続文字列, connection);
    h.click(h.w().cmd接続);
    ASSERT_TRUE(h.w().mbConnected()) << (h.messageTexts().empty() ? "" : h.messageTexts()[0]);
    h.selectText(h.w().cobテーブル名, table);
    h.selectText(h.w().cobフィールド名, "郵便番号");
  }

  // A login that may read the table and nothing more.
  std::string readerConnection() {
    admin->execute("DROP ROLE IF EXISTS " + role);
    admin->execute("CREATE ROLE " + role + " LOGIN PASSWORD 'reader'");
    admin->execute("GRANT SELECT ON " + table + " TO " + role);
    return std::regex_replace(
        std::regex_replace(connection_string, std::regex("Uid=[^;]*"), "Uid=" + role),
        std::regex("Pwd=[^;]*"), "Pwd=reader");
  }

  std::string codes() {
    // Counted through an UPDATE that changes nothing: the driver's queries here return no rows.
    return std::to_string(admin->execute("UPDATE " + table + " SET 郵便番号 = 郵便番号 WHERE " +
                                         "郵便番号 = '100-0001'")) +
           "," +
           std::to_string(admin->execute("UPDATE " + table + " SET 郵便番号 = 郵便番号 WHERE " +
                                         "郵便番号 = '100-0003'"));
  }

  std::string connection_string;
  std::string table;
  std::string role;
  std::unique_ptr<DatabaseConnection> admin;
  WindowHarness h;
};

TEST_F(PostgresFailureTest, AConstraintViolationIsSaidAsOne) {
  h.addPair("100-0001", "100-0002");
  h.addPair("100-0003", "bad");
  connect(connection_string);
  h.click(h.w().cmd開始);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  const std::string box = h.messageTexts()[0];
  EXPECT_TRUE(startsWith(box,
                         "テーブルの制約（一意・外部キー・CHECK・NOT NULL・トリガーなど）により"
                         "変更が拒否されました。\r\n"))
      << box;
  EXPECT_NE(box.find("violates check constraint"), std::string::npos) << box;
  EXPECT_TRUE(endsWith(box, std::string("\r\n\r\n") + kRolledBack)) << box;
  EXPECT_TRUE(endsWith(h.w().txt状況.text(), std::string(kRolledBack) + "\r\n"));
  EXPECT_EQ(codes(), "2,1");
}

TEST_F(PostgresFailureTest, AUserWhoMayOnlyReadIsRefusedForWantOfPermission) {
  h.addPair("100-0001", "100-0002");
  connect(readerConnection());
  EXPECT_TRUE(h.messageTexts().empty());  // the server does not tell before the UPDATE
  h.click(h.w().cmd開始);
  ASSERT_EQ(h.messageTexts().size(), 1u);
  const std::string box = h.messageTexts()[0];
  EXPECT_TRUE(startsWith(box, "書き込む権限がありません。\r\n")) << box;
  EXPECT_NE(box.find("permission denied"), std::string::npos) << box;
  EXPECT_TRUE(endsWith(box, kRolledBack)) << box;
  EXPECT_EQ(codes(), "2,1");
}

TEST_F(PostgresFailureTest, ASessionThatMayOnlyReadIsNamedAtConnect) {
  h.addPair("100-0001", "100-0002");
  const std::string reader = readerConnection();
  admin->execute("ALTER ROLE " + role + " SET default_transaction_read_only = on");
  admin->execute("GRANT UPDATE ON " + table + " TO " + role);
  connect(reader);
  EXPECT_EQ(h.messageTexts(),
            std::vector<std::string>{"このデータベースには、この接続では読み取りしかできません。"
                                     "置換を実行しても失敗します（確認のみの実行はできます）。"});
  h.click(h.w().cmd開始);
  ASSERT_EQ(h.messageTexts().size(), 2u);
  const std::string box = h.messageTexts()[1];
  EXPECT_TRUE(startsWith(box, "データベースが読み取り専用のため、書き込めません。\r\n")) << box;
  EXPECT_NE(box.find("read-only transaction"), std::string::npos) << box;
  EXPECT_EQ(codes(), "2,1");
}

TEST_F(PostgresFailureTest, ADroppedConnectionIsSaidAsOne) {
  h.addPair("100-0001", "100-0002");
  h.addPair("100-0003", "100-0004");
  connect(connection_string);
  // Another session holds the rows of the second pair; while the run waits for them, the server
  // ends the run's session.
  auto locker = openOdbc(connection_string);
  locker->beginTransaction();
  locker->execute("UPDATE " + table + " SET 郵便番号 = 郵便番号 WHERE 郵便番号 = '100-0003'");
  std::thread server([&] {
    auto watcher = openOdbc(connection_string);
    const std::string waiting =
        "FROM pg_stat_activity WHERE datname = current_database() AND wait_event_type = 'Lock' "
        "AND query LIKE '%" +
        table + "%'";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      const QueryRows rows = watcher->queryRows(SqlStatement("SELECT count(*) " + waiting));
      if (!rows.empty() && rows[0][0] && *rows[0][0] != "0") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    watcher->execute("SELECT pg_terminate_backend(pid) " + waiting);
  });
  h.click(h.w().cmd開始);
  server.join();
  locker->rollbackTransaction();
  ASSERT_GE(h.messageTexts().size(), 1u);
  const std::string box = h.messageTexts()[0];
  EXPECT_TRUE(startsWith(box, "データベースとの接続が切れました。\r\n")) << box;
  const std::string status = h.w().txt状況.text();
  // The second pair's line gives the server's words and no count.
  const std::string second = status.substr(status.find("100-0003->100-0004 ... \r\n"));
  EXPECT_EQ(second.find("件置換しました"), std::string::npos) << status;
  EXPECT_NE(second.find("terminating connection"), std::string::npos) << status;
  EXPECT_EQ(codes(), "2,1");
}

}  // namespace
}  // namespace norvel
