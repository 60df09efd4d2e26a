// The run's automatic strategy against the per-pair run, 1,000 pairs on the sample's codes
// (126,431 rows, and replicated to about 1M), without and with an index on the field: SQLite
// files (and the sqlite3 shell running the per-pair statements), and PostgreSQL through ODBC
// when NORVEL_TEST_PG names a server. Every line checks that both runs changed the same rows.
//   strategy_bench [CSV] [SQLITE3 SHELL]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/replacement_run.h"
#include "engine/sql_text.h"
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
  std::vector<std::int64_t> counts;
  bool by_mapping = false;
};

Timed timedRun(norvel::DatabaseConnection& connection, const std::string& table,
               const std::vector<RunPair>& pairs, norvel::RunStrategy strategy) {
  norvel::RunObserver quiet;
  norvel::RunOptions options;
  options.strategy = strategy;
  const auto t0 = Clock::now();
  const norvel::RunResult result =
      norvel::runReplacement(connection, {table, "郵便番号"}, pairs, quiet, options);
  const auto t1 = Clock::now();
  if (result.outcome != norvel::RunOutcome::committed) throw std::runtime_error("the run failed");
  return {std::chrono::duration<double>(t1 - t0).count(), result.counts, result.by_mapping};
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

void makeSqlite(const std::string& path, const std::vector<std::string>& codes, int copies) {
  SqliteFile db(path);
  db.exec("CREATE TABLE 住所 (id INTEGER PRIMARY KEY, 郵便番号 TEXT)");
  db.exec("BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db.handle(), "INSERT INTO 住所 (郵便番号) VALUES (?)", -1, &insert, nullptr);
  for (int copy = 0; copy < copies; ++copy) {
    for (const std::string& code : codes) {
      sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
  }
  sqlite3_finalize(insert);
  db.exec("COMMIT");
}

void printRow(const char* source, std::size_t rows, bool indexed, const Timed& plain, double shell,
              const Timed& automatic, bool same_rows) {
  std::printf(
      "%-10s %9zu  %-5s  per-pair %8.3f s  %s%8.3f s  automatic %7.3f s (%s)  %7.1fx  %s\n", source,
      rows, indexed ? "index" : "none", plain.seconds, shell >= 0 ? "shell/psql " : "shell/psql ",
      shell, automatic.seconds, automatic.by_mapping ? "mapping" : "per-pair",
      plain.seconds / automatic.seconds,
      plain.counts == automatic.counts && same_rows ? "same counts, same rows" : "DIFFERENT");
  std::fflush(stdout);
}

// The per-pair statements exactly as the run sends them, as one script in one transaction.
void writeScript(const std::string& path, const std::string& table,
                 const std::vector<RunPair>& pairs) {
  std::ofstream script(path, std::ios::binary);
  script << "BEGIN;\n";
  for (const RunPair& pair : pairs) {
    script << norvel::buildProbe(table, "郵便番号") << ";\n"
           << norvel::buildUpdate(table, "郵便番号", norvel::ado::adVarWChar, pair.old_code,
                                  pair.new_code)
                  .statement->withLiterals()
           << ";\n";
  }
  script << "COMMIT;\n";
}

double timedCommand(const std::string& command) {
  const auto s0 = Clock::now();
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  return std::chrono::duration<double>(Clock::now() - s0).count();
}

// psql on the server the ODBC connection string names, with its credentials.
std::string psqlCommand(const std::string& connection_string, const std::string& script) {
  const auto pairs = norvel::parseConnectionString(connection_string);
  const auto value = [&](const char* key, const char* other) {
    return norvel::connectionStringValue(pairs, key)
        .value_or(norvel::connectionStringValue(pairs, other).value_or(""));
  };
  return "PGPASSWORD='" + value("Pwd", "Password") + "' psql -X -q -v ON_ERROR_STOP=1 -h '" +
         value("Server", "Servername") + "' -p '" + value("Port", "Port") + "' -U '" +
         value("Uid", "Username") + "' -d '" + value("Database", "Database") + "' -f '" + script +
         "' > /dev/null";
}

void benchSqlite(const std::vector<std::string>& codes, const std::vector<RunPair>& pairs,
                 const std::string& shell, const std::string& dir) {
  for (const int copies : {1, 8}) {
    const std::string base = dir + "/base.sqlite";
    std::filesystem::remove(base);
    makeSqlite(base, codes, copies);
    for (const bool indexed : {false, true}) {
      if (indexed) SqliteFile(base).exec("CREATE INDEX 郵便番号索引 ON 住所 (郵便番号)");
      const std::string plain_db = dir + "/plain.sqlite";
      const std::string auto_db = dir + "/auto.sqlite";
      const std::string shell_db = dir + "/shell.sqlite";
      for (const auto* path : {&plain_db, &auto_db, &shell_db}) {
        std::filesystem::copy_file(base, *path, std::filesystem::copy_options::overwrite_existing);
      }
      Timed plain, automatic;
      {
        auto connection = norvel::openSqlite(plain_db);
        plain = timedRun(*connection, "住所", pairs, norvel::RunStrategy::perPair);
      }
      {
        auto connection = norvel::openSqlite(auto_db);
        automatic = timedRun(*connection, "住所", pairs, norvel::RunStrategy::automatic);
      }
      const std::string script_path = dir + "/statements.sql";
      writeScript(script_path, "住所", pairs);
      const double shell_s =
          timedCommand(shell + " '" + shell_db + "' < '" + script_path + "' > /dev/null");

      SqliteFile check(auto_db);
      check.exec("ATTACH '" + plain_db + "' AS plain");
      check.exec("ATTACH '" + shell_db + "' AS shell");
      const bool same = check.scalar(
                            "SELECT count(*) FROM main.住所 a JOIN plain.住所 b USING (id) WHERE "
                            "a.郵便番号 IS NOT b.郵便番号") == "0" &&
                        check.scalar(
                            "SELECT count(*) FROM main.住所 a JOIN shell.住所 b USING (id) WHERE "
                            "a.郵便番号 IS NOT b.郵便番号") == "0";
      printRow("SQLite", codes.size() * static_cast<std::size_t>(copies), indexed, plain, shell_s,
               automatic, same);
    }
  }
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
  for (const int copies : {1, 8}) {
    for (const bool indexed : {false, true}) {
      Timed runs[2];
      for (const char* table : {"bench_plain", "bench_auto", "bench_psql"}) {
        admin->execute(std::string("DROP TABLE IF EXISTS ") + table);
        admin->execute(std::string("CREATE TABLE ") + table +
                       " AS SELECT row_number() OVER () AS id, 郵便番号 FROM bench_codes, "
                       "generate_series(1, " +
                       std::to_string(copies) + ")");
        if (indexed) admin->execute(std::string("CREATE INDEX ON ") + table + " (郵便番号)");
        admin->execute(std::string("ANALYZE ") + table);
      }
      const std::string script = dir + "/statements.sql";
      writeScript(script, "bench_psql", pairs);
      const double psql_s = timedCommand(psqlCommand(connection_string, script));
      for (const auto strategy : {norvel::RunStrategy::perPair, norvel::RunStrategy::automatic}) {
        const std::string table =
            strategy == norvel::RunStrategy::perPair ? "bench_plain" : "bench_auto";
        auto connection = norvel::openOdbc(connection_string);
        runs[strategy == norvel::RunStrategy::automatic] =
            timedRun(*connection, table, pairs, strategy);
      }
      const auto differing = [&](const char* other) {
        return admin->queryRows(norvel::SqlStatement(
            std::string("SELECT count(*) FROM bench_auto a JOIN ") + other +
            " b USING (id) WHERE a.郵便番号 IS DISTINCT FROM b.郵便番号"))[0][0];
      };
      printRow("PostgreSQL", codes.size() * static_cast<std::size_t>(copies), indexed, runs[0],
               psql_s, runs[1], differing("bench_plain") == "0" && differing("bench_psql") == "0");
    }
  }
  for (const char* table : {"bench_codes", "bench_plain", "bench_auto", "bench_psql"}) {
    admin->execute(std::string("DROP TABLE IF EXISTS ") + table);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string csv = argc > 1 ? argv[1] : "../shared/data/jp-postal-2022.csv";
  const std::string shell = argc > 2 ? argv[2] : "sqlite3";
  norvel::testing::TempDir dir;
  const std::vector<std::string> codes = readCodes(csv);

  // 1,000 distinct codes spread over the data, each moved to its hyphenated form.
  std::vector<RunPair> pairs;
  std::set<std::string> taken;
  for (std::size_t i = 0; pairs.size() < 1000 && i < codes.size(); i += codes.size() / 1100) {
    if (!taken.insert(codes[i]).second) continue;
    pairs.push_back({codes[i], codes[i].substr(0, 3) + "-" + codes[i].substr(3)});
  }
  std::printf(
      "%zu pairs; shell/psql: the sqlite3 shell or psql on the per-pair statements, in one "
      "transaction\n",
      pairs.size());
  benchSqlite(codes, pairs, shell, dir.path().string());
  if (const char* pg = std::getenv("NORVEL_TEST_PG"))
    benchPostgres(pg, codes, pairs, dir.path().string());
  return 0;
}
