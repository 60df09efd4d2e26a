#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstdlib>

#include "batch_test_support.h"
#include "platform/odbc/odbc_connection.h"
#include "support/host_program.h"

namespace norvel::batch::test {
namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

const std::string kDrySummary = "dry run: 3件置換しました。 (rolled back, nothing changed)\n";

// Whether a prerequisite is missing; on CI that is a failure, not a reason to skip.
bool missing(bool present, const std::string& what) {
  const char* ci = std::getenv("CI");
  EXPECT_TRUE(present || ci == nullptr || std::string(ci) != "true") << what << " is required";
  return !present;
}

int processId() {
#if defined(_WIN32)
  return ::_getpid();
#else
  return ::getpid();
#endif
}

// No Oracle driver is registered here, so a password that gets through meets the open failure;
// it is never shown.
TEST_F(BatchTest, OraclePasswordComesFromTheEnvironmentOrTheTerminal) {
  const std::string not_opened =
      "Provider=OraOLEDB.Oracle.1;Persist Security Info=False;User ID=scott;";
  for (const auto& [env, launch, err, opens] :
       std::vector<std::tuple<Env, Launch, std::string, bool>>{
           {{{"NORVEL_PASSWORD", "tiger-secret"}},
            {},
            "Cannot open the database\n" + not_opened,
            true},
           {{}, {true, "tiger-secret", 0ms, ""}, "Password for scott: ", true},
           {{{"NORVEL_PASSWORD", ""}}, {}, "Enter the user name and the password\n", false},
           {{}, {}, "norvel-batch: --oracle needs a password: set NORVEL_PASSWORD", false}}) {
    // The prompt on the Windows console needs a real one: tried by hand, not under Wine.
    if (launch.terminal && !kTerminalAndSignals) continue;
    const RunResult run =
        batch({"--oracle", "scott", "orcl", "--table", "EMP", "--field", "ZIP", "--pairs", pairs_},
              env, launch);
    EXPECT_EQ(run.exit_code, 2) << err;
    EXPECT_EQ(run.out, "") << err;
    EXPECT_THAT(run.err, StartsWith(err));
    EXPECT_THAT(run.err, Not(HasSubstr("tiger-secret")));
    EXPECT_EQ(run.err.find(not_opened + "Password =****;Data Source=orcl;") != std::string::npos,
              opens)
        << err;
  }
}

// Workbooks are written and read back by openpyxl, not by the code under test.
TEST_F(BatchTest, WorkbookSheetsAreTablesWithOrWithoutAHeaderRow) {
  if (const std::string why = norvel::testing::hostProgramsUnavailable(); !why.empty()) {
    GTEST_SKIP() << why;
  }
  const std::string book = file("住所録.xlsx");
  const auto python = [&](const std::string& script) {
    return norvel::testing::runHostProgram(NORVEL_PYTHON3, {"-c", "import openpyxl, sys\n" + script,
                                                            norvel::testing::hostPath(book)})
        .out;
  };
  if (missing(python("print('ok')") == "ok\n", "python3-openpyxl")) GTEST_SKIP() << "no openpyxl";
  python(
      "wb = openpyxl.Workbook()\nwb.active.title = 'Sheet1'\n"
      "for row in [('郵便番号', '町域'), ('100-0001', '千代田'), ('100-0001', 'x'),"
      " ('100-0003', '一ツ橋'), ('100-0004', '大手町')]:\n  wb.active.append(row)\n"
      "wb.create_sheet('メモ').append(['100-0001'])\nwb.save(sys.argv[1])\n");
  // Column A of each sheet.
  const auto cells = [&] {
    return python(
        "for ws in openpyxl.load_workbook(sys.argv[1]):\n"
        "  print(ws.title, *(str(r[0].value) for r in ws.iter_rows()))\n");
  };
  const auto xls = [&](const std::string& table, const std::string& field, Args more = {}) {
    more.insert(more.begin(),
                {"--xls", book, "--table", table, "--field", field, "--pairs", pairs_});
    return batch(more);
  };
  const auto before = stampOf(book);
  EXPECT_EQ(xls("Sheet1$", "郵便番号", {"--dry-run"}).out, standardStatus("1") + kDrySummary);
  EXPECT_EQ(xls("Sheet1", "郵便番号").err,
            "norvel-batch: no table \"Sheet1\"; the tables are:\n  Sheet1$\n  メモ$\n");
  EXPECT_EQ(
      xls("Sheet1$", "郵便番号", {"--no-header"}).err,
      "norvel-batch: no field \"郵便番号\" in table \"Sheet1$\"; its fields are:\n  F1\n  F2\n");
  EXPECT_EQ(stampOf(book), before);

  EXPECT_EQ(xls("Sheet1$", "郵便番号").out, standardStatus("1") + "3件置換しました。\n");
  EXPECT_EQ(cells(), "Sheet1 郵便番号 100-0091 100-0091 100-0093 100-0004\nメモ 100-0001\n");

  writeBytes(pairs_, "\x97\x58\x95\xd6\x94\xd4\x8d\x86,\x81\xa7\r\n");  // 郵便番号,〒 in CP932
  EXPECT_EQ(xls("Sheet1$", "F1", {"--no-header"}).out,
            statusLines("郵便番号", "〒", "1") + "1件置換しました。\n");
  EXPECT_THAT(cells(), StartsWith("Sheet1 〒 100-0091 "));
}

// PostgreSQL over ODBC; the connection string comes from NORVEL_TEST_PG. Each step runs on what
// the steps before it left.
TEST_F(BatchTest, PostgresOnlyACompleteRealRunChangesRows) {
  const char* connection = std::getenv("NORVEL_TEST_PG");
  if (missing(connection != nullptr && *connection != '\0', "NORVEL_TEST_PG"))
    GTEST_SKIP() << "no NORVEL_TEST_PG";
  const std::string table = "住所_batch_" + std::to_string(processId());
  const auto db = openOdbc(connection);
  db->execute("DROP TABLE IF EXISTS " + table);
  db->execute("CREATE TABLE " + table + " (番号 integer, 郵便番号 varchar(8), 町域 text)");
  // Dropped however the test ends.
  const std::shared_ptr<void> drop(nullptr, [&](void*) { db->execute("DROP TABLE " + table); });
  db->execute("INSERT INTO " + table +
              " VALUES (1, '100-0001', '千代田'), (2, '100-0001', '皇居外苑'),"
              " (3, '100-0003', '一ツ橋'), (4, '100-0004', '大手町')");
  const auto step = [&](const std::string& field, Args more, int exit_code,
                        const std::string& output, const std::string& counts) {
    more.insert(more.begin(),
                {"--connect", connection, "--table", table, "--field", field, "--pairs", pairs_});
    const RunResult run = batch(more);
    EXPECT_EQ(run.exit_code, exit_code) << output << run.err;
    EXPECT_THAT(exit_code == 0 ? run.out : run.err, HasSubstr(output));
    // The layer hands out no values, but an UPDATE that changes nothing counts the rows.
    std::string rows;
    for (const char* code : {"100-0001", "100-0091", "100-0093", "100-0004"}) {
      rows += std::to_string(
          db->execute("UPDATE " + table + " SET 町域 = 町域 WHERE 郵便番号 = '" + code + "'"));
    }
    EXPECT_EQ(rows, counts) << output;
  };
  step("zip", {}, 2, "; its fields are:\n  番号\n  郵便番号\n  町域\n", "2001");

  // The password need not stand on the command line: standard input, a file, or
  // NORVEL_PASSWORD added to a string that names none.
  std::string without_password = connection;
  const std::size_t pwd = without_password.find("Pwd=");
  ASSERT_NE(pwd, std::string::npos);
  const std::string password =
      without_password.substr(pwd + 4, without_password.find(';', pwd) - pwd - 4);
  without_password.erase(pwd);
  const Args target = {"--table", table, "--field", "郵便番号", "--pairs", pairs_, "--dry-run"};
  const auto with_target = [&](Args source) {
    source.insert(source.end(), target.begin(), target.end());
    return source;
  };
  Launch piped;
  piped.input = std::string(connection) + "\n";
  EXPECT_EQ(batch(with_target({"--connect", "-"}), {}, piped).exit_code, 0);
  const std::string secret_file = file("connection.txt");
  writeBytes(secret_file, std::string(connection) + "\r\n");
  EXPECT_EQ(batch(with_target({"--connect", "@" + secret_file})).exit_code, 0);
  fs::remove(secret_file);
  EXPECT_EQ(batch(with_target({"--connect", without_password}), {{"NORVEL_PASSWORD", password}})
                .exit_code,
            0);
  const RunResult refused =
      batch(with_target({"--connect", without_password}), {{"NORVEL_PASSWORD", "wrong;={}"}});
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_THAT(refused.err, HasSubstr("password authentication failed"));
  const RunResult empty = batch(with_target({"--connect", "-"}));
  EXPECT_EQ(empty.exit_code, 2);
  EXPECT_THAT(empty.err, HasSubstr("standard input holds no connection string"));
  step("郵便番号", {"--dry-run"}, 0, standardStatus("1") + kDrySummary, "2001");
  step("郵便番号", {}, 0, standardStatus("1") + "3件置換しました。\n", "0211");
  writeBytes(pairs_, "100-0091,100-0001\r\n100-0093,100-00931\r\n");
  step("郵便番号", {}, 1, "value too long for type character varying(8)", "0211");
}

}  // namespace
}  // namespace norvel::batch::test
