// The set-based run with its journal against the same run without, on copies of the same table:
// the sample's codes replicated to about 1M rows, 100 and 1,000 pairs, an SQLite file and (when
// NORVEL_TEST_PG names a server) PostgreSQL through ODBC. The journal is the real one, written
// to a file before the COMMIT. Each time is the better of two runs; every line checks that both
// runs changed the same rows and that the journal holds a row per change. SQLite's work is all in
// this process: its ratio is of CPU time as well, which other load on the machine does not skew.
//   journal_bench [CSV]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "engine/replacement_run.h"
#include "journal/file_journal.h"
#include "journal/row_identity.h"
#include "platform/native/native_platform.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using norvel::RunPair;
using norvel::testing::SqliteFile;

constexpr int kCopies = 8;
constexpr int kRepeats = 3;

struct Timed {
  double seconds = 0;
  double cpu_seconds = 0;
  std::int64_t total = 0;
  std::size_t journaled = 0;
  bool by_mapping = false;
};

Timed timedRun(norvel::DatabaseConnection& connection, const std::string& table,
               const std::vector<RunPair>& pairs, const std::string* journal_dir) {
  norvel::RunObserver quiet;
  norvel::RunOptions options;
  norvel::NativeFileSystem files;
  std::optional<norvel::FileJournal> journal;
  const auto t0 = Clock::now();
  const std::clock_t c0 = std::clock();
  if (journal_dir) {
    norvel::JournalRecord header;
    header.table = table;
    header.field = "郵便番号";
    header.identity = norvel::findRowIdentity(connection, table, "郵便番号");
    journal.emplace(files, *journal_dir, std::move(header), pairs);
    options.journal = &*journal;
  }
  const norvel::RunResult result =
      norvel::runReplacement(connection, {table, "郵便番号"}, pairs, quiet, options);
  const auto t1 = Clock::now();
  const std::clock_t c1 = std::clock();
  if (result.outcome != norvel::RunOutcome::committed) throw std::runtime_error("the run failed");
  return {std::chrono::duration<double>(t1 - t0).count(),
          static_cast<double>(c1 - c0) / CLOCKS_PER_SEC, result.total,
          journal ? journal->record().entries.size() : 0, result.by_mapping};
}

std::vector<std::string> readCodes(const std::string& csv) {
  std::ifstream in(csv);
  if (!in) throw std::runtime_error("cannot read " + csv);
  std::vector<std::string> codes;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) codes.push_back(line.substr(0, line.find(',')));
  return codes;
}

// `count` distinct codes spread over the data, each moved to its hyphenated form.
std::vector<RunPair> pairsOf(const std::vector<std::string>& codes, std::size_t count) {
  std::vector<RunPair> pairs;
  std::set<std::string> taken;
  for (std::size_t i = 0; pairs.size() < count && i < codes.size();
       i += codes.size() / (count + count / 10)) {
    if (!taken.insert(codes[i]).second) continue;
    pairs.push_back({codes[i], codes[i].substr(0, 3) + "-" + codes[i].substr(3)});
  }
  return pairs;
}

void makeSqlite(const std::string& path, const std::vector<std::string>& codes) {
  SqliteFile db(path);
  db.exec("CREATE TABLE 住所 (id INTEGER PRIMARY KEY, 郵便番号 TEXT)");
  db.exec("BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db.handle(), "INSERT INTO 住所 (郵便番号) VALUES (?)", -1, &insert, nullptr);
  for (int copy = 0; copy < kCopies; ++copy) {
    for (const std::string& code : codes) {
      sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
  }
  sqlite3_finalize(insert);
  db.exec("COMMIT");
}

void printRow(const char* source, std::size_t rows, std::size_t pairs, const Timed& plain,
              const Timed& journaled, bool same_rows) {
  const bool complete = journaled.journaled == static_cast<std::size_t>(journaled.total);
  std::printf(
      "%-10s %9zu rows %5zu pairs  %8lld changed  no journal %7.3f s  journal %7.3f s "
      "(%s)  %5.2fx wall  %5.2fx cpu  %s\n",
      source, rows, pairs, static_cast<long long>(plain.total), plain.seconds, journaled.seconds,
      journaled.by_mapping ? "set-based" : "per-pair", journaled.seconds / plain.seconds,
      journaled.cpu_seconds / plain.cpu_seconds,
      plain.total == journaled.total && same_rows && complete ? "same rows, journal complete"
                                                              : "DIFFERENT");
  std::fflush(stdout);
}

Timed better(const Timed& a, const Timed& b) {
  Timed best = a.seconds <= b.seconds ? a : b;
  best.cpu_seconds = std::min(a.cpu_seconds, b.cpu_seconds);
  return best;
}

void benchSqlite(const std::vector<std::string>& codes, const std::vector<RunPair>& pairs,
                 const std::string& dir) {
  const std::string base = dir + "/base.sqlite";
  if (!std::filesystem::exists(base)) makeSqlite(base, codes);
  const std::string plain_db = dir + "/plain.sqlite";
  const std::string journal_db = dir + "/journal.sqlite";
  const std::string journals = dir + "/journals";
  std::optional<Timed> plain, journaled;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    for (const auto* path : {&plain_db, &journal_db}) {
      std::filesystem::copy_file(base, *path, std::filesystem::copy_options::overwrite_existing);
    }
    {
      auto connection = norvel::openSqlite(plain_db);
      const Timed t = timedRun(*connection, "住所", pairs, nullptr);
      plain = plain ? better(*plain, t) : t;
    }
    {
      auto connection = norvel::openSqlite(journal_db);
      const Timed t = timedRun(*connection, "住所", pairs, &journals);
      journaled = journaled ? better(*journaled, t) : t;
    }
  }
  SqliteFile check(journal_db);
  check.exec("ATTACH '" + plain_db + "' AS plain");
  const bool same = check.scalar(
                        "SELECT count(*) FROM main.住所 a JOIN plain.住所 b USING (id) WHERE "
                        "a.郵便番号 IS NOT b.郵便番号") == "0";
  printRow("SQLite", codes.size() * kCopies, pairs.size(), *plain, *journaled, same);
}

void benchPostgres(const std::string& connection_string, const std::vector<std::string>& codes,
                   const std::vector<RunPair>& pairs, const std::string& dir) {
  auto admin = norvel::openOdbc(connection_string);
  admin->execute("DROP TABLE IF EXISTS bench_codes");
  admin->execute("CREATE TABLE bench_codes (郵便番号 text)");
  for (std::size_t first = 0; first < codes.size(); first += 1000) {
    norvel::SqlStatement insert("INSERT INTO bench_codes VALUES ");
    for (std::size_t i = first; i < std::min(codes.size(), first + 1000); ++i) {
      insert.appendSql(i == first ? "(" : ", (");
      insert.appendValue({norvel::SqlValue::Kind::text, codes[i], norvel::ado::adVarWChar});
      insert.appendSql(")");
    }
    admin->executeStatement(insert);
  }
  const std::string journals = dir + "/journals";
  std::optional<Timed> plain, journaled;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    for (const char* table : {"bench_plain", "bench_journal"}) {
      admin->execute(std::string("DROP TABLE IF EXISTS ") + table);
      admin->execute(std::string("CREATE TABLE ") + table +
                     " (id bigint PRIMARY KEY, 郵便番号 text)");
      admin->execute(
          std::string("INSERT INTO ") + table +
          " SELECT row_number() OVER (), 郵便番号 FROM bench_codes, generate_series(1, " +
          std::to_string(kCopies) + ")");
      admin->execute(std::string("VACUUM ANALYZE ") + table);
    }
    {
      auto connection = norvel::openOdbc(connection_string);
      const Timed t = timedRun(*connection, "bench_plain", pairs, nullptr);
      plain = plain ? better(*plain, t) : t;
    }
    {
      auto connection = norvel::openOdbc(connection_string);
      const Timed t = timedRun(*connection, "bench_journal", pairs, &journals);
      journaled = journaled ? better(*journaled, t) : t;
    }
  }
  const bool same = admin->queryRows(norvel::SqlStatement(
                        "SELECT count(*) FROM bench_journal a JOIN bench_plain b USING (id) WHERE "
                        "a.郵便番号 IS DISTINCT FROM b.郵便番号"))[0][0] == "0";
  printRow("PostgreSQL", codes.size() * kCopies, pairs.size(), *plain, *journaled, same);
  for (const char* table : {"bench_codes", "bench_plain", "bench_journal"}) {
    admin->execute(std::string("DROP TABLE IF EXISTS ") + table);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string csv = argc > 1 ? argv[1] : "../shared/data/jp-postal-2022.csv";
  norvel::testing::TempDir dir;
  const std::vector<std::string> codes = readCodes(csv);
  std::printf("ratio: the run with its journal over the same run without, better of %d each\n",
              kRepeats);
  for (const std::size_t count : {100, 1000}) {
    benchSqlite(codes, pairsOf(codes, count), dir.path().string());
  }
  if (const char* pg = std::getenv("NORVEL_TEST_PG")) {
    for (const std::size_t count : {100, 1000}) {
      benchPostgres(pg, codes, pairsOf(codes, count), dir.path().string());
    }
  }
  return 0;
}
