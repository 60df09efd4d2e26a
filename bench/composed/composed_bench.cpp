// The set-based run with and without one chain in its list, against the least any tool can do
// (a temporary table of the codes and one UPDATE, no counts, in the database's own shell) and,
// at the smallest size, against the per-pair run. 1,000 pairs on the sample's codes, the table
// unindexed. Every line checks that the runs left the same rows.
//   composed_bench [--sqlite N] [--postgresql N] [--mariadb N] [--plain] [CSV]
// N: copies of the 126,431 codes (8 ≈ 1M rows). PostgreSQL and MariaDB need NORVEL_TEST_PG and
// NORVEL_TEST_MARIADB.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "engine/replacement_run.h"
#include "platform/connection_string_parser.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using norvel::RunPair;
using norvel::testing::SqliteFile;

struct Timed {
  double seconds = 0;
  bool by_mapping = false;
  long peak_kib = 0;
};

long peakKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

Timed timedRun(norvel::DatabaseConnection& connection, const std::string& table,
               const std::vector<RunPair>& pairs, norvel::RunStrategy strategy) {
  norvel::RunObserver quiet;
  norvel::RunOptions options;
  options.strategy = strategy;
  const auto t0 = Clock::now();
  const norvel::RunResult result =
      norvel::runReplacement(connection, {table, "code"}, pairs, quiet, options);
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  if (result.outcome != norvel::RunOutcome::committed) throw std::runtime_error("the run failed");
  return {seconds, result.by_mapping, peakKib()};
}

double timedCommand(const std::string& command) {
  const auto t0 = Clock::now();
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

std::vector<std::string> readCodes(const std::string& csv) {
  std::ifstream in(csv);
  if (!in) throw std::runtime_error("cannot read " + csv);
  std::vector<std::string> codes;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) codes.push_back(line.substr(0, line.find(',')));
  return codes;
}

// What each old code ends as: the list followed code by code (the codes here compare exactly).
std::map<std::string, std::string> finalMapping(const std::vector<RunPair>& pairs) {
  std::map<std::string, std::string> mapping;  // original -> current
  std::set<std::string> olds;
  for (const RunPair& pair : pairs) olds.insert(pair.old_code);
  for (const std::string& old : olds) mapping[old] = old;
  for (const RunPair& pair : pairs) {
    for (auto& [original, current] : mapping) {
      if (current == pair.old_code) current = pair.new_code;
    }
  }
  return mapping;
}

std::string literal(const std::string& text) {
  return "'" + text + "'";
}

// The floor: the composed mapping in a temporary table and one UPDATE, as a script.
void writeFloor(const std::string& path, const std::string& dialect,
                const std::map<std::string, std::string>& mapping) {
  std::ofstream script(path);
  script << (dialect == "mariadb" ? "START TRANSACTION;\n" : "BEGIN;\n");
  if (dialect == "mariadb") {
    script << "CREATE TEMPORARY TABLE m (old_code varchar(255), new_code varchar(255), INDEX "
              "(old_code));\n";
  } else {
    script << "CREATE TEMP TABLE m (old_code text, new_code text);\n";
  }
  script << "INSERT INTO m VALUES ";
  bool first = true;
  for (const auto& [old_code, new_code] : mapping) {
    script << (first ? "" : ", ") << "(" << literal(old_code) << ", " << literal(new_code) << ")";
    first = false;
  }
  script << ";\n";
  if (dialect == "mariadb") {
    script << "UPDATE bench_floor AS t STRAIGHT_JOIN m ON t.code = m.old_code SET t.code = "
              "m.new_code;\n";
  } else if (dialect == "postgresql") {
    script << "ANALYZE m;\nUPDATE bench_floor AS t SET code = m.new_code FROM m WHERE t.code = "
              "m.old_code;\n";
  } else {
    script << "UPDATE bench_floor AS t SET code = m.new_code FROM m WHERE t.code = m.old_code;\n";
  }
  script << "COMMIT;\n";
}

std::string value(const std::string& connection_string, const char* key) {
  return norvel::connectionStringValue(norvel::parseConnectionString(connection_string), key)
      .value_or("");
}

void printLine(const char* source, std::size_t rows, const char* list, const Timed& automatic,
               double floor, const Timed* plain, bool same) {
  std::printf("%-10s %9zu  %-8s automatic %7.3f s (%s)  floor %7.3f s  %5.2fx floor", source, rows,
              list, automatic.seconds, automatic.by_mapping ? "set-based" : "per-pair", floor,
              automatic.seconds / floor);
  if (plain != nullptr) {
    std::printf("  per-pair %8.3f s  %6.1fx faster", plain->seconds,
                plain->seconds / automatic.seconds);
  }
  std::printf("  peak %ld MiB  %s\n", automatic.peak_kib / 1024,
              same ? "same rows" : "DIFFERENT ROWS");
  std::fflush(stdout);
}

// A copy of the codes `copies` times as table `name` (id, code), by the data source's SQL.
using MakeTable = std::function<void(const std::string& name)>;
using Connect = std::function<std::unique_ptr<norvel::DatabaseConnection>()>;

struct Source {
  const char* name;
  std::string dialect;
  MakeTable make;
  Connect connect;
  std::string floor_command;  // the shell that reads a script on stdin
  std::function<bool(const std::string&, const std::string&)> same;
};

void bench(const Source& source, std::size_t rows, const std::vector<RunPair>& pairs,
           const std::vector<RunPair>& chained, bool with_plain, const std::string& dir) {
  for (const auto* list : {&pairs, &chained}) {
    const char* label = list == &pairs ? "no chain" : "a chain";
    for (const char* table : {"bench_auto", "bench_floor", "bench_plain"}) {
      if (std::string(table) != "bench_plain" || with_plain) source.make(table);
    }
    Timed automatic;
    {
      auto connection = source.connect();
      automatic = timedRun(*connection, "bench_auto", *list, norvel::RunStrategy::automatic);
    }
    const std::string script = dir + "/floor.sql";
    writeFloor(script, source.dialect, finalMapping(*list));
    const double floor = timedCommand(source.floor_command + " < '" + script + "' > /dev/null");
    bool same = source.same("bench_auto", "bench_floor");
    Timed plain;
    if (with_plain) {
      auto connection = source.connect();
      plain = timedRun(*connection, "bench_plain", *list, norvel::RunStrategy::perPair);
      same = same && source.same("bench_auto", "bench_plain");
    }
    printLine(source.name, rows, label, automatic, floor, with_plain ? &plain : nullptr, same);
  }
}

// Inserts the codes into `table` (id, code) through the connection, a thousand rows a statement.
void insertCodes(norvel::DatabaseConnection& connection, const std::string& table,
                 const std::vector<std::string>& codes, int copies) {
  std::size_t id = 0;
  for (int copy = 0; copy < copies; ++copy) {
    for (std::size_t first = 0; first < codes.size(); first += 1000) {
      std::string sql = "INSERT INTO " + table + " (id, code) VALUES ";
      for (std::size_t i = first; i < std::min(codes.size(), first + 1000); ++i) {
        sql += (i == first ? "(" : ", (") + std::to_string(++id) + ", " + literal(codes[i]) + ")";
      }
      connection.execute(sql);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string csv = "../shared/data/jp-postal-2022.csv";
  int sqlite_copies = 0, pg_copies = 0, mariadb_copies = 0;
  bool with_plain = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--sqlite" && i + 1 < argc)
      sqlite_copies = std::atoi(argv[++i]);
    else if (arg == "--postgresql" && i + 1 < argc)
      pg_copies = std::atoi(argv[++i]);
    else if (arg == "--mariadb" && i + 1 < argc)
      mariadb_copies = std::atoi(argv[++i]);
    else if (arg == "--plain")
      with_plain = true;
    else
      csv = arg;
  }
  norvel::testing::TempDir temp;
  const std::string dir = temp.path().string();
  const std::vector<std::string> codes = readCodes(csv);

  // 1,000 distinct codes spread over the data, each moved to its hyphenated form; the chained
  // list has one pair whose old code is an earlier pair's new code.
  std::vector<RunPair> pairs;
  std::set<std::string> taken;
  for (std::size_t i = 0; pairs.size() < 1000 && i < codes.size(); i += codes.size() / 1100) {
    if (!taken.insert(codes[i]).second) continue;
    pairs.push_back({codes[i], codes[i].substr(0, 3) + "-" + codes[i].substr(3)});
  }
  std::vector<RunPair> chained = pairs;
  chained[500] = {pairs[10].new_code, pairs[10].new_code + "x"};
  std::printf(
      "%zu pairs; floor: a temporary table of the final codes and one UPDATE, no counts, "
      "in the database's own shell\n",
      pairs.size());

  if (sqlite_copies > 0) {
    const std::string base = dir + "/base.sqlite";
    {
      SqliteFile db(base);
      db.exec("CREATE TABLE codes (id INTEGER PRIMARY KEY, code TEXT)");
      auto connection = norvel::openSqlite(base);
      connection->beginTransaction();
      insertCodes(*connection, "codes", codes, sqlite_copies);
      connection->commitTransaction();
    }
    const std::string path = dir + "/bench.sqlite";
    const Source sqlite{
        "SQLite",
        "sqlite",
        [&](const std::string& table) {
          if (table == "bench_auto")
            std::filesystem::copy_file(base, path,
                                       std::filesystem::copy_options::overwrite_existing);
          SqliteFile db(path);
          db.exec("DROP TABLE IF EXISTS " + table + "; CREATE TABLE " + table +
                  " (id INTEGER PRIMARY KEY, code TEXT); INSERT INTO " + table +
                  " SELECT * FROM codes");
        },
        [&] { return norvel::openSqlite(path); },
        "sqlite3 '" + path + "'",
        [&](const std::string& a, const std::string& b) {
          return SqliteFile(path).scalar("SELECT count(*) FROM " + a + " x JOIN " + b +
                                         " y USING (id) WHERE x.code IS NOT y.code") == "0";
        }};
    bench(sqlite, codes.size() * static_cast<std::size_t>(sqlite_copies), pairs, chained,
          with_plain, dir);
  }

  if (const char* pg = std::getenv("NORVEL_TEST_PG"); pg != nullptr && pg_copies > 0) {
    auto admin = norvel::openOdbc(pg);
    admin->execute("DROP TABLE IF EXISTS bench_codes");
    admin->execute("CREATE TABLE bench_codes (id bigint, code text)");
    insertCodes(*admin, "bench_codes", codes, pg_copies);
    const std::string command = "PGPASSWORD='" + value(pg, "Pwd") +
                                "' psql -X -q -v ON_ERROR_STOP=1 -h '" + value(pg, "Server") +
                                "' -p '" + value(pg, "Port") + "' -U '" + value(pg, "Uid") +
                                "' -d '" + value(pg, "Database") + "'";
    const Source postgres{
        "PostgreSQL",
        "postgresql",
        [&](const std::string& table) {
          admin->execute("DROP TABLE IF EXISTS " + table);
          admin->execute("CREATE TABLE " + table + " AS SELECT * FROM bench_codes");
          admin->execute("ANALYZE " + table);
        },
        [&] { return norvel::openOdbc(pg); },
        command,
        [&](const std::string& a, const std::string& b) {
          return *admin->queryRows(norvel::SqlStatement(
                     "SELECT count(*) FROM " + a + " x JOIN " + b +
                     " y USING (id) WHERE x.code IS DISTINCT FROM y.code"))[0][0] == "0";
        }};
    bench(postgres, codes.size() * static_cast<std::size_t>(pg_copies), pairs, chained, with_plain,
          dir);
    for (const char* table : {"bench_codes", "bench_auto", "bench_floor", "bench_plain"}) {
      admin->execute(std::string("DROP TABLE IF EXISTS ") + table);
    }
  }

  if (const char* my = std::getenv("NORVEL_TEST_MARIADB"); my != nullptr && mariadb_copies > 0) {
    auto admin = norvel::openOdbc(my);
    admin->execute("DROP TABLE IF EXISTS bench_codes");
    admin->execute("CREATE TABLE bench_codes (id bigint, code varchar(16))");
    insertCodes(*admin, "bench_codes", codes, mariadb_copies);
    const std::string command = "mysql -h '" + value(my, "Server") + "' -P '" + value(my, "Port") +
                                "' -u '" + value(my, "Uid") + "' -p'" + value(my, "Pwd") + "' '" +
                                value(my, "Database") + "'";
    const Source mariadb{
        "MariaDB",
        "mariadb",
        [&](const std::string& table) {
          admin->execute("DROP TABLE IF EXISTS " + table);
          admin->execute("CREATE TABLE " + table +
                         " (id bigint PRIMARY KEY, code varchar(16)) SELECT * FROM bench_codes");
        },
        [&] { return norvel::openOdbc(my); },
        command,
        [&](const std::string& a, const std::string& b) {
          return *admin->queryRows(norvel::SqlStatement(
                     "SELECT count(*) FROM " + a + " x JOIN " + b +
                     " y USING (id) WHERE NOT (BINARY x.code <=> BINARY y.code)"))[0][0] == "0";
        }};
    bench(mariadb, codes.size() * static_cast<std::size_t>(mariadb_copies), pairs, chained,
          with_plain, dir);
    for (const char* table : {"bench_codes", "bench_auto", "bench_floor", "bench_plain"}) {
      admin->execute(std::string("DROP TABLE IF EXISTS ") + table);
    }
  }
  return 0;
}
