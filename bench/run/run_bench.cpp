// The replacement run of 1,000 pairs on a 126,431-row address table, through the window model
// (headless), against the sqlite3 shell executing the identical statements in one transaction.
//   run_bench [CSV] [SQLITE3 SHELL]
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "engine/sql_text.h"
#include "support/sqlite_fixture.h"
#include "support/window_harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using norvel::testing::SqliteFile;

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::vector<std::string> loadCodes(const std::string& csv, const std::string& db_path) {
  std::ifstream in(csv);
  if (!in) throw std::runtime_error("cannot read " + csv);
  SqliteFile db(db_path);
  db.exec("CREATE TABLE 住所 (郵便番号 TEXT, 都道府県 TEXT, 市区町村町域 TEXT)");
  db.exec("BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db.handle(), "INSERT INTO 住所 VALUES (?, ?, ?)", -1, &insert, nullptr);
  std::vector<std::string> codes;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::stringstream fields(line);
    std::string code, prefecture, town;
    std::getline(fields, code, ',');
    std::getline(fields, prefecture, ',');
    std::getline(fields, town);
    sqlite3_bind_text(insert, 1, code.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, prefecture.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, town.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
    codes.push_back(code);
  }
  sqlite3_finalize(insert);
  db.exec("COMMIT");
  return codes;
}

struct Result {
  double model_s;
  double shell_s;
  std::string model_total;
  std::string shell_check;
};

Result compare(const std::string& base,
               const std::vector<std::pair<std::string, std::string>>& pairs,
               const std::string& shell, const std::string& dir) {
  // The statements exactly as the run sends them.
  const std::string script_path = dir + "/statements.sql";
  {
    std::ofstream script(script_path, std::ios::binary);
    script << "BEGIN;\n";
    for (const auto& [old_code, new_code] : pairs) {
      script << norvel::buildProbe("住所", "郵便番号") << ";\n";
      script << norvel::buildUpdate("住所", "郵便番号", norvel::ado::adVarWChar, old_code, new_code)
                    .statement->withLiterals()
             << ";\n";
    }
    script << "COMMIT;\n";
  }
  const std::string shell_db = dir + "/shell.sqlite";
  std::filesystem::copy_file(base, shell_db, std::filesystem::copy_options::overwrite_existing);

  norvel::testing::WindowHarness h;
  const std::string model_db = h.dir.file("model.sqlite");
  std::filesystem::copy_file(base, model_db);
  std::string list;
  for (const auto& [old_code, new_code] : pairs) list += old_code + "," + new_code + "\r\n";
  norvel::testing::writeBytes(h.pairFile(), list);
  if (!h.start()) throw std::runtime_error("start-up failed");
  h.connectFile(model_db, "住所", "郵便番号");

  const auto m0 = Clock::now();
  h.click(h.w().cmd開始);
  const auto m1 = Clock::now();
  const std::string command = shell + " '" + shell_db + "' < '" + script_path + "' > /dev/null";
  const auto s0 = Clock::now();
  if (std::system(command.c_str()) != 0) throw std::runtime_error("the shell failed: " + command);
  const auto s1 = Clock::now();

  Result r;
  r.model_s = seconds(m0, m1);
  r.shell_s = seconds(s0, s1);
  r.model_total = h.messageTexts().empty() ? "?" : h.messageTexts().back();
  SqliteFile model(model_db), shell_result(shell_db);
  const std::string sum = "SELECT count(*) FROM 住所 WHERE 郵便番号 LIKE '%-%'";
  r.shell_check =
      model.scalar(sum) == shell_result.scalar(sum) ? "same rows changed" : "DIFFERENT RESULTS";
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string csv = argc > 1 ? argv[1] : "../shared/data/jp-postal-2022.csv";
  const std::string shell = argc > 2 ? argv[2] : "sqlite3";
  norvel::testing::TempDir dir;
  const std::string base = dir.file("base.sqlite");
  const std::vector<std::string> codes = loadCodes(csv, base);

  // 1,000 distinct codes spread over the data, each moved to its hyphenated form.
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; pairs.size() < 1000 && i < codes.size(); i += codes.size() / 1000) {
    pairs.emplace_back(codes[i], codes[i].substr(0, 3) + "-" + codes[i].substr(3));
  }
  std::printf("%zu rows, %zu pairs\n", codes.size(), pairs.size());
  for (bool indexed : {false, true}) {
    if (indexed) SqliteFile(base).exec("CREATE INDEX 郵便番号索引 ON 住所 (郵便番号)");
    const Result r = compare(base, pairs, shell, dir.path().string());
    std::printf("%-14s model %8.3f s   sqlite3 shell %8.3f s   ratio %.3f   (%s; %s)\n",
                indexed ? "with index" : "without index", r.model_s, r.shell_s,
                r.model_s / r.shell_s, r.model_total.c_str(), r.shell_check.c_str());
  }
  return 0;
}
