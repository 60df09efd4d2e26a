#pragma once

#include <gmock/gmock.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"
#include "support/temp_dir.h"

namespace norvel::batch::test {

namespace fs = std::filesystem;
using norvel::testing::utf8Name;
using norvel::testing::utf8Path;
using ::testing::ContainsRegex;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

inline std::runtime_error systemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

// norvel-batch, without NORVEL_PASSWORD unless env sets it, and with its English texts
// (LANG=C.UTF-8, no other locale variable) unless env names a locale.
inline RunResult runBatch(const std::vector<std::string>& args, Env env = {},
                          const Launch& launch = {}, const Interrupt& interrupt = {}) {
  env.try_emplace("NORVEL_PASSWORD", std::nullopt);
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
    env.try_emplace(name, std::nullopt);
  }
  env.try_emplace("LANG", "C.UTF-8");
  // Journals of committed runs go to a folder of the test run's own, never the user's.
  static const norvel::testing::TempDir state;
  env.try_emplace("XDG_STATE_HOME", utf8Name(state.path()));
#if defined(_WIN32)
  env.try_emplace("LOCALAPPDATA", utf8Name(state.path()));
#endif
  return runProgram(NORVEL_BATCH_PROGRAM, args, env, launch, interrupt);
}

// Runs the statements on an SQLite file and returns the rows they give, joined with '\n', their
// columns with '|', NULL as "NULL". The connection lives on in `keep` when asked.
inline std::string sql(const std::string& file, const std::string& statements,
                       std::shared_ptr<sqlite3>* keep = nullptr) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open(file.c_str(), &raw);
  const std::shared_ptr<sqlite3> db(raw, &sqlite3_close_v2);
  std::string rows;
  const auto collect = [](void* sink, int columns, char** values, char**) {
    std::string& text = *static_cast<std::string*>(sink);
    for (int i = 0; i < columns; ++i) {
      if (i > 0 || !text.empty()) text += i > 0 ? '|' : '\n';
      text += values[i] != nullptr ? values[i] : "NULL";
    }
    return 0;
  };
  if (opened != SQLITE_OK ||
      sqlite3_exec(raw, statements.c_str(), collect, &rows, nullptr) != SQLITE_OK) {
    throw std::runtime_error(file + ": " + sqlite3_errmsg(raw));
  }
  if (keep != nullptr) *keep = db;
  return rows;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(utf8Path(path), std::ios::binary);
  if (!in) throw systemError(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  if (!(std::ofstream(utf8Path(path), std::ios::binary) << bytes)) throw systemError(path);
}

// What a run that must not write leaves exactly as it was.
inline std::pair<std::string, fs::file_time_type> stampOf(const std::string& path) {
  return {readBytes(path), fs::last_write_time(utf8Path(path))};
}

inline std::vector<std::string> listDirectory(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(utf8Name(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

// The status box lines of one pair, with the LF line ends norvel-batch prints.
inline std::string statusLines(const std::string& old_code, const std::string& new_code,
                               const std::string& count) {
  return old_code + "->" + new_code + " ... \n" + std::string(24 - count.size(), ' ') + count +
         "件置換しました。\n";
}

// 住所 in an SQLite file of the test's own: 100-0001 in 2 rows, 100-0003 in 1,500 (so counts
// are grouped), 100-0004 in 1; and a pair list whose pairs change 2, 0 and the 100-0003 rows.
class BatchTest : public ::testing::Test {
 protected:
  BatchTest() {
    sql(db_,
        "CREATE TABLE 住所 (郵便番号 TEXT CHECK (length(郵便番号) = 8), 町域 TEXT);"
        "INSERT INTO 住所 VALUES ('100-0001', '千代田'), ('100-0001', '皇居外苑'),"
        " ('100-0004', '大手町');"
        "INSERT INTO 住所 WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
        " WHERE i < 1500) SELECT '100-0003', '一ツ橋' || i FROM n;"
        "CREATE TABLE 顧客 (番号 INTEGER, 氏名 TEXT, 郵便番号 TEXT); CREATE TABLE Kunden (plz);");
    writeBytes(pairs_, "100-0001,100-0091\r\n999-9999,100-0092\r\n100-0003,100-0093\r\n");
  }

  // A folder with a Japanese name: the programs take such paths on every system.
  static fs::path japaneseFolder(const fs::path& parent) {
    fs::path folder = parent / u8"郵便";
    fs::create_directory(folder);
    return folder;
  }
  std::string file(const std::string& name) const { return utf8Name(dir_ / utf8Path(name)); }
  // norvel-batch. Only the window's 終了 button writes a pair list, and norvel-batch never
  // presses it: whatever the outcome, the pair list and the test's folder stay as they were.
  RunResult batch(const std::vector<std::string>& args, Env env = {}, const Launch& launch = {},
                  const Interrupt& interrupt = {}) const {
    const auto pairs_before = stampOf(pairs_);
    const auto files_before = listDirectory(dir_);
    const RunResult run = runBatch(args, std::move(env), launch, interrupt);
    EXPECT_EQ(stampOf(pairs_), pairs_before) << "the pair list was written";
    EXPECT_EQ(listDirectory(dir_), files_before);
    return run;
  }
  // Each code of 住所 with its number of rows.
  std::string codes() const {
    return sql(db_, "SELECT 郵便番号, count(*) FROM 住所 GROUP BY 1 ORDER BY 1");
  }
  // The source arguments, then 住所, 郵便番号 and the pair list (by default pairs_).
  std::vector<std::string> args(std::vector<std::string> source, std::string pairs = "") const {
    source.insert(source.end(), {"--table", "住所", "--field", "郵便番号", "--pairs",
                                 pairs.empty() ? pairs_ : pairs});
    return source;
  }
  // 大量: 200,000 rows for the first pair to change, then 4,000 pairs that each scan them all for
  // nothing: a run long enough to be stopped after its first pair. Returns its arguments.
  std::vector<std::string> longRun() const {
    sql(db_,
        "CREATE TABLE 大量 (郵便番号 TEXT);"
        "INSERT INTO 大量 WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
        " WHERE i < 200000) SELECT '100-0001' FROM n;");
    std::string pairs = "100-0001,100-0002\r\n";
    for (int i = 10000; i < 14000; ++i) pairs += "900-" + std::to_string(i).substr(1) + ",1\r\n";
    writeBytes(pairs_, pairs);
    return {"--db", db_, "--table", "大量", "--field", "郵便番号", "--pairs", pairs_};
  }
  static std::string standardStatus(const std::string& third_count) {
    return statusLines("100-0001", "100-0091", "2") + statusLines("999-9999", "100-0092", "0") +
           statusLines("100-0003", "100-0093", third_count);
  }

  static constexpr const char* kOriginalCodes = "100-0001|2\n100-0003|1500\n100-0004|1";
  static constexpr const char* kReplacedCodes = "100-0004|1\n100-0091|2\n100-0093|1500";

  norvel::testing::TempDir temp_;
  fs::path dir_ = japaneseFolder(temp_.path());
  std::string db_ = file("住所.sqlite");
  std::string pairs_ = file("置換リスト.csv");
};

}  // namespace norvel::batch::test
