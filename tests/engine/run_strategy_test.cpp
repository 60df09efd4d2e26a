// The set-based strategy against the per-pair run on real data sources: the same observer
// calls, the same counts and the same rows afterwards, whichever strategy applied.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "engine/replacement_run.h"
#include "platform/odbc/odbc_connection.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/run_recorder.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"
#include "xlsx/workbook_layer.h"

namespace norvel {
namespace {

using testing::SqliteFile;
using testing::TempDir;
using Strings = std::vector<std::string>;

// The observer's calls as lines; the findings are left out, they do not depend on the strategy.
struct Outcome {
  Strings lines;
  std::vector<std::int64_t> counts;
  bool by_mapping = false;
  std::string rows;    // the table's rows afterwards
  std::string schema;  // the schema afterwards
};

using Open = std::function<std::unique_ptr<DatabaseConnection>()>;

// A pair that matches nothing, so that even the shortest list is long enough for the set-based
// strategy and only what the case is about decides it.
std::vector<RunPair> withFiller(std::vector<RunPair> pairs, bool numeric) {
  pairs.push_back(numeric ? RunPair{"9998888", "9997777"} : RunPair{"999-8888", "999-7777"});
  return pairs;
}

Outcome runWith(const Open& open, const RunTarget& target, const std::vector<RunPair>& pairs,
                RunStrategy strategy) {
  auto connection = open();
  testing::FullRunRecorder recorder;
  RunOptions options;
  options.strategy = strategy;
  const RunResult result = runReplacement(*connection, target, pairs, recorder, options);
  return {recorder.lines, result.counts, result.by_mapping, {}, {}};
}

// A table in an SQLite file, run once per strategy on copies of the same file.
struct SqliteCase {
  std::string name;
  std::string column;  // the field's declaration
  std::string values;  // the rows, as an INSERT's VALUES list
  std::vector<RunPair> pairs;
  bool by_mapping;
};

// The table's rows, in the order of their rowid, with their values as SQL literals.
std::string rowsOf(const std::string& path, const std::string& table) {
  return SqliteFile(path).scalar("SELECT group_concat(rowid || ':' || quote(f), ' ') FROM \"" +
                                 table + "\"");
}

// Runs the pairs once per strategy on copies of one SQLite file made by `schema`, and expects
// the same observer calls, counts, rows and schema afterwards.
void expectTheSameOnSqlite(const std::string& schema, const std::string& table,
                           const std::vector<RunPair>& pairs, bool by_mapping) {
  TempDir dir;
  const std::string original = dir.file("original.sqlite");
  SqliteFile(original).exec(schema);
  const std::string schema_sql = "SELECT group_concat(sql, ';') FROM sqlite_master";
  std::vector<Outcome> outcomes;
  for (const RunStrategy strategy : {RunStrategy::perPair, RunStrategy::automatic}) {
    const std::string path =
        dir.file(strategy == RunStrategy::perPair ? "plain.sqlite" : "auto.sqlite");
    std::filesystem::copy_file(original, path);
    Outcome outcome = runWith([&] { return openSqlite(path); }, {table, "f"}, pairs, strategy);
    outcome.rows = rowsOf(path, table);
    outcome.schema = SqliteFile(path).scalar(schema_sql);
    EXPECT_EQ(outcome.schema, SqliteFile(original).scalar(schema_sql));
    outcomes.push_back(std::move(outcome));
  }
  EXPECT_FALSE(outcomes[0].by_mapping);
  EXPECT_EQ(outcomes[1].by_mapping, by_mapping);
  EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
  EXPECT_EQ(outcomes[1].counts, outcomes[0].counts);
  EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
}

TEST(RunStrategy, SqliteFilesEndTheSameEitherWay) {
  const std::vector<SqliteCase> cases = {
      {"text, including a pair that matches nothing",
       "TEXT",
       "('100-0001'), ('100-0001'), ('100-0003'), ('100-0005'), (NULL)",
       {{"100-0001", "100-0002"}, {"999-9999", "999-0000"}, {"100-0003", "100-0004"}},
       true},
      {"a chain: the first pair's rows change twice",
       "TEXT",
       "('100-0001'), ('100-0002'), ('100-0003')",
       {{"100-0001", "100-0002"}, {"100-0002", "100-0003"}},
       true},
      {"a cycle: every row ends as the first code",
       "TEXT",
       "('A'), ('B'), ('B'), ('C')",
       {{"A", "B"}, {"B", "A"}},
       true},
      {"the same old code twice",
       "TEXT",
       "('A'), ('A'), ('C')",
       {{"A", "X"}, {"A", "Y"}, {"C", "D"}},
       true},
      {"NULL pairs in their places",
       "TEXT",
       "('A'), (NULL), (NULL), ('C'), ('')",
       {{"A", "B"}, {"NULL", "N"}, {"C", "NULL"}, {"D", ""}},
       true},
      {"NULL selected after a pair that empties fields",
       "TEXT",
       "('A'), (NULL), ('C')",
       {{"A", ""}, {"NULL", "N"}},
       true},
      {"a numeric column",
       "INTEGER",
       "(1000001), (600001), (600001), (NULL)",
       {{"NULL", "1"}, {"1000001", "1000002"}, {"0600001", "NULL"}},
       true},
      {"an INTEGER-affinity column holding codes as text",
       "INTEGER",
       "('100-0001'), ('1000001'), ('0600001'), ('abc')",
       {{"1000001", "1000002"}, {"0600001", "0600002"}},
       true},
      {"an untyped column",
       "",
       "('1000001'), (1000001), ('abc')",
       {{"1000001", "1"}, {"abc", "def"}},
       true},
      {"COLLATE NOCASE: codes differing in case are repeats",
       "TEXT COLLATE NOCASE",
       "('abc-1'), ('ABC-1'), ('x')",
       {{"abc-1", "first"}, {"ABC-1", "second"}},
       true},
      {"COLLATE NOCASE: a chain through another case",
       "TEXT COLLATE NOCASE",
       "('a'), ('B'), ('c')",
       {{"a", "b"}, {"B", "c"}},
       true},
      {"COLLATE NOCASE without conflicts",
       "TEXT COLLATE NOCASE",
       "('a'), ('A'), ('c')",
       {{"A", "x"}, {"C", "y"}},
       true},
      {"a failing pair: the same message after the same lines",
       "TEXT CHECK (f <> 'bad')",
       "('A'), ('B'), ('C')",
       {{"A", "X"}, {"B", "bad"}, {"C", "Y"}},
       false},
      {"a code refused before the data source",
       "INTEGER",
       "(1), (2)",
       {{"1", "3"}, {"2", "100-0001"}},
       false},
  };
  for (const SqliteCase& c : cases) {
    SCOPED_TRACE(c.name);
    expectTheSameOnSqlite("CREATE TABLE t (id INTEGER PRIMARY KEY, f " + c.column +
                              "); INSERT INTO t (f) VALUES " + c.values,
                          "t", withFiller(c.pairs, c.column.find("INT") != std::string::npos),
                          c.by_mapping);
  }
}

// The definition of the table, beyond its field, where one UPDATE over all pairs would meet
// rows in another order or fire what the table defines another number of times: the automatic
// strategy must end exactly as the per-pair run, whichever way it takes.
TEST(RunStrategy, TriggersUniqueIndexesAndNamesOfTheSqliteTableEndTheSameEitherWay) {
  struct Case {
    std::string name;
    std::string schema;  // the table `table` with its rows, and what else it has
    std::string table;
    std::vector<RunPair> pairs;
    bool by_mapping;
  };
  const std::string rows = "INSERT INTO t (f) VALUES ('100-0001'), ('2000001'), ('300-0001');";
  const std::vector<Case> cases = {
      {"a table named like the run's pair table of old",
       "CREATE TABLE norvel_run_pairs (id INTEGER PRIMARY KEY, f TEXT); INSERT INTO "
       "norvel_run_pairs (f) VALUES ('A'), ('B'), ('C'), ('A')",
       "norvel_run_pairs",
       {{"A", "X"}, {"B", "Y"}, {"C", "Z"}},
       true},
      {"a trigger that writes the field as it is changed (drops the hyphen)",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, f TEXT); " + rows +
           "CREATE TRIGGER normalise AFTER UPDATE OF f ON t BEGIN UPDATE t SET f = "
           "replace(NEW.f, '-', '') WHERE id = NEW.id; END",
       "t",
       {{"100-0001", "200-0001"}, {"2000001", "3000001"}},
       false},
      {"a trigger that changes another row",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, f TEXT); " + rows +
           "CREATE TRIGGER follow AFTER UPDATE ON t WHEN NEW.id = 1 BEGIN UPDATE t SET f = "
           "'2000001' WHERE id = 3; END",
       "t",
       {{"100-0001", "100-0009"}, {"2000001", "3000001"}},
       false},
      {"a trigger of another table that writes this one",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, f TEXT); " + rows +
           "CREATE TABLE log (x); CREATE TRIGGER other AFTER INSERT ON log BEGIN UPDATE t SET f "
           "= 'x'; END",
       "t",
       {{"100-0001", "100-0009"}, {"2000001", "3000001"}},
       false},
      {"a unique index over an expression of the field",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, f TEXT); INSERT INTO t (f) VALUES ('a'), ('b');"
       "CREATE UNIQUE INDEX u ON t (lower(f))",
       "t",
       {{"b", "A"}, {"a", "c"}},
       false},
      {"a partial unique index",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, f TEXT, g TEXT); INSERT INTO t (f, g) VALUES "
       "('a', '1'), ('x', '1');CREATE UNIQUE INDEX u ON t (g) WHERE f <> 'x'",
       "t",
       {{"x", "y"}, {"a", "x"}},
       false},
      {"a unique index over another field",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, f TEXT, g TEXT UNIQUE); INSERT INTO t (f, g) "
       "VALUES ('a', '1'), ('b', '2')",
       "t",
       {{"b", "d"}, {"a", "c"}},
       true},
      {"an insert trigger that writes nothing of the field",
       "CREATE TABLE t (id INTEGER PRIMARY KEY, f TEXT); " + rows +
           "CREATE TABLE log (x); CREATE TRIGGER noted AFTER INSERT ON t BEGIN INSERT INTO log "
           "VALUES (NEW.id); END",
       "t",
       {{"100-0001", "100-0009"}, {"2000001", "3000001"}},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectTheSameOnSqlite(c.schema, c.table, withFiller(c.pairs, false), c.by_mapping);
  }
}

// A real SQLite connection whose set-based UPDATE fails as on a full disk, where SQLite may
// end the whole transaction itself.
class FullDiskConnection : public DatabaseConnection {
 public:
  FullDiskConnection(std::unique_ptr<DatabaseConnection> inner, bool ends_transaction,
                     bool savepoint_fails)
      : inner_(std::move(inner)),
        ends_transaction_(ends_transaction),
        savepoint_fails_(savepoint_fails) {}

  std::int64_t executeStatement(const SqlStatement& statement) override {
    const std::string sql = statement.withLiterals();
    if (sql.starts_with("UPDATE") && sql.find(" FROM ") != std::string::npos) {
      if (ends_transaction_) inner_->execute("ROLLBACK");
      throw DatabaseError("database or disk is full", DatabaseError::Category::other, {}, 13);
    }
    return inner_->executeStatement(statement);
  }
  void savepoint(SavepointStep step, const std::string& name) override {
    if (step == SavepointStep::rollbackTo && savepoint_fails_) {
      throw DatabaseError("no such savepoint: " + name);
    }
    inner_->savepoint(step, name);
  }

  void close() override { inner_->close(); }
  std::int64_t execute(const std::string& sql) override {
    return executeStatement(SqlStatement(sql));
  }
  std::string identifierQuote() override { return inner_->identifierQuote(); }
  QueryInfo query(const std::string& sql) override { return inner_->query(sql); }
  void beginTransaction() override { inner_->beginTransaction(); }
  void commitTransaction() override { inner_->commitTransaction(); }
  void rollbackTransaction() override { inner_->rollbackTransaction(); }
  SetBasedSupport* setBasedSupport() override { return inner_->setBasedSupport(); }
  QueryRows queryRows(const SqlStatement& statement) override {
    return inner_->queryRows(statement);
  }
  bool transactionOpen() override { return inner_->transactionOpen(); }
  std::vector<std::string> tableNames() override { return inner_->tableNames(); }
  std::vector<std::string> columnNames(const std::string& table) override {
    return inner_->columnNames(table);
  }

 private:
  std::unique_ptr<DatabaseConnection> inner_;
  bool ends_transaction_;
  bool savepoint_fails_;
};

// When the set-based UPDATE fails on a full disk and SQLite ends the transaction itself, nothing
// of the run had been applied: the pairs go one by one in a new transaction, as --plain runs
// them (which needs no room for the big statement's journal).
TEST(RunStrategy, ATransactionTheDataSourceEndedIsBegunAgainForThePerPairRun) {
  TempDir dir;
  const std::string schema =
      "CREATE TABLE t (f TEXT); INSERT INTO t VALUES ('A'), ('A'), ('B'), (NULL)";
  const std::vector<RunPair> pairs = {{"A", "X"}, {"B", "Y"}, {"NULL", "N"}, {"C", "Z"}};
  std::vector<Outcome> outcomes;
  for (const bool plain : {true, false}) {
    const std::string path = dir.file(plain ? "plain.sqlite" : "auto.sqlite");
    SqliteFile(path).exec(schema);
    Outcome outcome = runWith(
        [&]() -> std::unique_ptr<DatabaseConnection> {
          return std::make_unique<FullDiskConnection>(openSqlite(path), true, false);
        },
        {"t", "f"}, pairs, plain ? RunStrategy::perPair : RunStrategy::automatic);
    outcome.rows = rowsOf(path, "t");
    outcomes.push_back(std::move(outcome));
  }
  EXPECT_FALSE(outcomes[1].by_mapping);
  EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
  EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
  EXPECT_EQ(outcomes[1].rows, "1:'X' 2:'X' 3:'Y' 4:'N'");
  EXPECT_EQ(outcomes[1].lines.back(), "committed 4");
}

// A failure of the set-based statements that cannot be undone belongs to no pair: it is told
// with the data source's own words (not the savepoint's), and nothing is committed.
TEST(RunStrategy, ASetBasedFailureThatCannotBeUndoneIsToldInItsOwnWords) {
  TempDir dir;
  const std::string path = dir.file("db.sqlite");
  SqliteFile(path).exec("CREATE TABLE t (f TEXT); INSERT INTO t VALUES ('A'), ('B')");
  FullDiskConnection connection(openSqlite(path), false, true);
  testing::FullRunRecorder recorder;
  const RunResult result =
      runReplacement(connection, {"t", "f"}, withFiller({{"A", "X"}, {"B", "Y"}}, false), recorder);
  ASSERT_TRUE(result.failure);
  EXPECT_EQ(result.failure->stage, RunStage::setBased);
  EXPECT_FALSE(result.failure->pair_index);
  EXPECT_EQ(result.failure->description, "database or disk is full");
  EXPECT_EQ(recorder.lines, (Strings{"run failed: database or disk is full", "rolled back 0"}));
  connection.close();
  EXPECT_EQ(rowsOf(path, "t"), "1:'A' 2:'B'");
}

// A temporary database that cannot grow (as with a full temp folder) stops the set-based
// statements, never the run: --plain needs no temporary table.
TEST(RunStrategy, AFullTemporaryDatabaseLeavesThePairsToThePerPairRun) {
  TempDir dir;
  std::vector<Outcome> outcomes;
  std::vector<RunPair> pairs;
  for (int i = 0; i < 300; ++i) {
    pairs.push_back({"old-code-" + std::to_string(i), "new-code-" + std::to_string(i)});
  }
  for (const bool plain : {true, false}) {
    const std::string path = dir.file(plain ? "plain.sqlite" : "auto.sqlite");
    SqliteFile(path).exec(
        "CREATE TABLE t (f TEXT); INSERT INTO t VALUES ('old-code-1'), ('old-code-7'), ('x')");
    Outcome outcome = runWith(
        [&] {
          auto connection = openSqlite(path);
          connection->execute("PRAGMA temp.max_page_count = 2");
          return connection;
        },
        {"t", "f"}, pairs, plain ? RunStrategy::perPair : RunStrategy::automatic);
    outcome.rows = rowsOf(path, "t");
    outcomes.push_back(std::move(outcome));
  }
  EXPECT_FALSE(outcomes[1].by_mapping);
  EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
  EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
  EXPECT_EQ(outcomes[1].rows, "1:'new-code-1' 2:'new-code-7' 3:'x'");
}

TEST(RunStrategy, ADryRunByMappingChangesNothing) {
  TempDir dir;
  const std::string path = dir.file("db.sqlite");
  {
    SqliteFile db(path);
    db.exec("CREATE TABLE t (f TEXT)");
    db.exec("INSERT INTO t VALUES ('A'), ('A'), ('B')");
  }
  auto connection = openSqlite(path);
  testing::FullRunRecorder recorder;
  const RunResult result =
      runReplacement(*connection, {"t", "f"}, withFiller({{"A", "X"}, {"B", "Y"}}, false), recorder,
                     {RunMode::dryRun, nullptr});
  EXPECT_TRUE(result.by_mapping);
  EXPECT_EQ(result.counts, (std::vector<std::int64_t>{2, 1, 0}));
  EXPECT_EQ(result.outcome, RunOutcome::rolledBack);
  connection.reset();
  EXPECT_EQ(SqliteFile(path).scalar("SELECT group_concat(f, '') FROM t"), "AAB");
}

// A field an index serves is looked up per pair: the set-based statements would only add work.
// An index the lookup cannot use (another collation) leaves the field unindexed for the run.
TEST(RunStrategy, AnSqliteFieldAnIndexServesIsRunPairByPair) {
  const std::pair<std::string, bool> cases[] = {
      {"", true},
      {"CREATE INDEX i ON t (f)", false},
      {"CREATE INDEX i ON t (f, g)", false},
      {"CREATE INDEX i ON t (g, f)", true},
      {"CREATE INDEX i ON t (f COLLATE NOCASE)", true},
      {"CREATE UNIQUE INDEX i ON t (f)", false},
  };
  for (const auto& [index, by_mapping] : cases) {
    TempDir dir;
    const std::string path = dir.file("db.sqlite");
    {
      SqliteFile db(path);
      db.exec("CREATE TABLE t (f TEXT, g TEXT)");
      db.exec("INSERT INTO t VALUES ('A', '1'), ('C', '2'), ('B', '3')");
      if (!index.empty()) db.exec(index);
    }
    auto connection = openSqlite(path);
    testing::FullRunRecorder recorder;
    const RunResult result = runReplacement(*connection, {"t", "f"},
                                            withFiller({{"A", "X"}, {"B", "Y"}}, false), recorder);
    EXPECT_EQ(result.by_mapping, by_mapping) << index;
    EXPECT_EQ(result.counts, (std::vector<std::int64_t>{1, 1, 0})) << index;
    connection.reset();
    EXPECT_EQ(
        SqliteFile(path).scalar("SELECT group_concat(f, '') FROM (SELECT f FROM t ORDER BY rowid)"),
        "XCY")
        << index;
  }
}

TEST(RunStrategy, TheObserverHearsOfChainsBeforeThePairs) {
  TempDir dir;
  const std::string path = dir.file("db.sqlite");
  SqliteFile(path).exec("CREATE TABLE t (f TEXT)");
  class Findings : public RunObserver {
   public:
    void pairsReviewed(const std::vector<PairFinding>& findings) override {
      for (const PairFinding& f : findings) kinds.push_back(f.kind);
    }
    void pairStarted(std::size_t, const RunPair&) override { EXPECT_FALSE(kinds.empty()); }
    std::vector<PairFindingKind> kinds;
  } observer;
  auto connection = openSqlite(path);
  runReplacement(*connection, {"t", "f"}, {{"100-0001", "100-0002"}, {"100-0002", "100-0003"}},
                 observer);
  EXPECT_EQ(observer.kinds, std::vector<PairFindingKind>{PairFindingKind::chain});
}

TEST(RunStrategy, AWorkbookEndsTheSameEitherWay) {
#if defined(_WIN32)
  GTEST_SKIP() << "the workbook is written by python3 through a POSIX shell command";
#else
  TempDir dir;
  const std::string original = dir.file("original.xlsx");
  const std::string script =
      "import openpyxl,sys\n"
      "wb=openpyxl.Workbook(); ws=wb.active; ws.title='住所'\n"
      "ws.append(['郵便番号','番号'])\n"
      "for code in ['100-0001','100-0001','abc','ABC','100-0003',None,'100-0005']:\n"
      "    ws.append([code, 1])\n"
      "wb.save(sys.argv[1])\n";
  const std::string command =
      std::string(NORVEL_PYTHON3) + " -c \"$NORVEL_SCRIPT\" '" + original + "'";
  ::setenv("NORVEL_SCRIPT", script.c_str(), 1);
  ASSERT_EQ(std::system(command.c_str()), 0);

  const std::vector<std::pair<std::vector<RunPair>, bool> > cases = {
      {{{"100-0001", "100-0002"}, {"NULL", "100-0009"}, {"100-0003", "100-0004"}}, true},
      {{{"abc", "x"}, {"ABC", "y"}, {"100-0001", "100-0002"}}, true},  // a repeat without case
      {{{"100-0001", "100-0003"}, {"100-0003", "100-0001"}}, true},    // a cycle
      // A chain among enough pairs for the per-pair run to index the private copy.
      {{{"100-0001", "100-0003"},
        {"100-0003", "100-0005"},
        {"abc", "1"},
        {"x1", "x2"},
        {"x3", "x4"},
        {"x5", "x6"},
        {"x7", "x8"},
        {"x9", "x10"}},
       true},
  };
  for (const auto& [pairs, by_mapping] : cases) {
    std::vector<Outcome> outcomes;
    for (const RunStrategy strategy : {RunStrategy::perPair, RunStrategy::automatic}) {
      const std::string path = dir.file("copy.xlsx");
      std::filesystem::copy_file(original, path, std::filesystem::copy_options::overwrite_existing);
      Outcome outcome = runWith([&] { return openWorkbook(path, true); }, {"住所$", "郵便番号"},
                                withFiller(pairs, false), strategy);
      auto reopened = openWorkbook(path, true);
      for (const auto& row : reopened->queryRows(SqlStatement("SELECT [郵便番号] FROM [住所$]"))) {
        outcome.rows += (row[0] ? *row[0] : "<null>") + " ";
      }
      outcomes.push_back(std::move(outcome));
    }
    EXPECT_EQ(outcomes[1].by_mapping, by_mapping);
    EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
    EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
    EXPECT_NE(outcomes[1].rows, "");
  }
#endif
}

// PostgreSQL through psqlODBC, when the test server is given.
class PostgresStrategy : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* value = std::getenv("NORVEL_TEST_PG");
    if (value == nullptr) {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true") FAIL() << "NORVEL_TEST_PG is not set in CI";
      GTEST_SKIP() << "NORVEL_TEST_PG is not set";
    }
    connection_string = value;
    table = "住所_strategy_" + std::to_string(::getpid());
    admin = openOdbc(connection_string);
    admin->execute("DROP TABLE IF EXISTS " + table);
  }
  void TearDown() override {
    if (admin) admin->execute("DROP TABLE IF EXISTS " + table);
  }

  // Both strategies from the same rows; the rows are put back in between.
  std::vector<Outcome> runBoth(const std::string& column, const std::string& values,
                               const std::vector<RunPair>& pairs,
                               const std::string& run_connection_string = {}) {
    std::vector<Outcome> outcomes;
    for (const RunStrategy strategy : {RunStrategy::perPair, RunStrategy::automatic}) {
      admin->execute("DROP TABLE IF EXISTS " + table);
      admin->execute("CREATE TABLE " + table + " (id serial PRIMARY KEY, f " + column + ")");
      admin->execute("INSERT INTO " + table + " (f) VALUES " + values);
      for (const std::string& statement : setup) admin->execute(named(statement));
      if (grant) grant();
      const std::string schema_before = schema();
      const std::string used =
          run_connection_string.empty() ? connection_string : run_connection_string;
      Outcome outcome = runWith([&] { return openOdbc(used); }, {table, "f"}, pairs, strategy);
      outcome.rows = rows();
      outcome.schema = schema();
      EXPECT_EQ(outcome.schema, schema_before);
      outcomes.push_back(std::move(outcome));
    }
    return outcomes;
  }

  std::string rows() {
    std::string text;
    for (const auto& row :
         admin->queryRows(SqlStatement("SELECT id, f FROM " + table + " ORDER BY id"))) {
      text += *row[0] + ":" + (row[1] ? "'" + *row[1] + "'" : "NULL") + " ";
    }
    return text;
  }
  // The lasting tables the run could have left behind: a pair table made without TEMP. (Its
  // temporary ones go with its session; other tests make tables of their own meanwhile.)
  std::string schema() {
    std::string text;
    for (const auto& row : admin->queryRows(SqlStatement(
             "SELECT relname FROM pg_class WHERE relkind = 'r' AND relpersistence = 'p' AND "
             "relname LIKE 'norvel\\_pairs\\_%' ORDER BY 1"))) {
      text += *row[0] + " ";
    }
    return text;
  }

  // `$T` in a statement stands for the test's table.
  std::string named(std::string statement) const {
    for (std::size_t at = statement.find("$T"); at != std::string::npos;
         at = statement.find("$T", at)) {
      statement.replace(at, 2, table);
    }
    return statement;
  }

  std::string connection_string;
  std::string table;
  std::unique_ptr<DatabaseConnection> admin;
  std::function<void()> grant;
  std::vector<std::string> setup;  // after the rows are in, before each run
};

TEST_F(PostgresStrategy, EndsTheSameEitherWay) {
  struct Case {
    std::string name;
    std::string column;
    std::string values;
    std::vector<RunPair> pairs;
    bool by_mapping;
  };
  const std::vector<Case> cases = {
      {"text",
       "text",
       "('100-0001'), ('100-0001'), ('100-0003'), (NULL)",
       {{"100-0001", "100-0002"}, {"999-9999", "x"}, {"NULL", "100-0009"}, {"100-0003", ""}},
       true},
      {"a chain",
       "text",
       "('100-0001'), ('100-0002')",
       {{"100-0001", "100-0002"}, {"100-0002", "100-0003"}},
       true},
      {"a cycle", "text", "('A'), ('B')", {{"A", "B"}, {"B", "A"}}, true},
      {"CHAR(8) pads its codes",
       "char(8)",
       "('1000001'), ('1000003 '), ('1000004')",
       {{"1000001", "1000002"}, {"1000004 ", "1000005"}},
       true},
      {"CHAR(8): a code and the same code with a blank are repeats",
       "char(8)",
       "('1000001'), ('1000003')",
       {{"1000003", "x"}, {"1000003 ", "y"}},
       true},
      {"a numeric column",
       "integer",
       "(1000001), (600001), (NULL)",
       {{"NULL", "7"}, {"1000001", "1000002"}, {"0600001", "NULL"}},
       true},
      {"a fractional old code in an integer column",
       "integer",
       "(1), (2)",
       {{"1.5", "3"}, {"2", "4"}},
       false},
      {"a failing pair",
       "text CHECK (f <> 'bad')",
       "('A'), ('B'), ('C')",
       {{"A", "X"}, {"B", "bad"}, {"C", "Y"}},
       false},
      {"varchar(8): an old code with a trailing blank is not the code",
       "varchar(8)",
       "('10000001'), ('10000002')",
       {{"10000001 ", "x"}, {"10000002", "y"}},
       true},
      {"varchar(8): two trailing blanks",
       "varchar(8)",
       "('1000001 '), ('1000002')",
       {{"1000001  ", "x"}, {"1000002", "y"}},
       true},
      {"real: a code the field would round is not the rounded number",
       "real",
       "(16777216), (5), (7)",
       {{"16777217", "1"}, {"5", "6"}, {"7", "8"}},
       true},
      {"a new code too long for the field",
       "varchar(8)",
       "('A'), ('B')",
       {{"A", "X"}, {"B", "123456789"}},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Outcome> outcomes = runBoth(
        c.column, c.values, withFiller(c.pairs, c.column == "integer" || c.column == "real"));
    EXPECT_EQ(outcomes[1].by_mapping, c.by_mapping);
    EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
    EXPECT_EQ(outcomes[1].counts, outcomes[0].counts);
    EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
  }
}

// What the table defines beyond its field: triggers, rules and unique indexes that would see
// one statement over all pairs differently from one per pair; a table named like the run's own
// temporary table of old.
TEST_F(PostgresStrategy, TriggersUniqueIndexesAndNamesEndTheSameEitherWay) {
  const std::string suffix = std::to_string(::getpid());
  const std::string strip = "norvel_strip_" + suffix;
  const std::string follow = "norvel_follow_" + suffix;
  const std::string mark = "norvel_mark_" + suffix;
  struct Case {
    std::string name;
    std::vector<std::string> setup;
    std::string values;
    std::vector<RunPair> pairs;
    bool by_mapping;
  };
  const std::string codes = "('100-0001'), ('2000001'), ('300-0001')";
  const std::vector<RunPair> through = {{"100-0001", "200-0001"}, {"2000001", "3000001"}};
  const std::vector<Case> cases = {
      {"a BEFORE trigger that drops the hyphen",
       {"CREATE TRIGGER s BEFORE UPDATE ON $T FOR EACH ROW EXECUTE FUNCTION " + strip + "()"},
       codes,
       through,
       false},
      {"an AFTER trigger that changes another row",
       {"CREATE TRIGGER a AFTER UPDATE ON $T FOR EACH ROW WHEN (NEW.id = 1) EXECUTE FUNCTION " +
        follow + "()"},
       codes,
       {{"100-0001", "100-0009"}, {"2000001", "3000001"}},
       false},
      {"a statement trigger, fired once per UPDATE",
       {"CREATE TRIGGER m AFTER UPDATE ON $T FOR EACH STATEMENT EXECUTE FUNCTION " + mark + "()"},
       codes,
       {{"100-0001", "100-0009"}, {"2000001", "3000001"}},
       false},
      {"a rule on UPDATE",
       {"DROP TABLE IF EXISTS $T_log CASCADE", "CREATE TABLE $T_log (f text)",
        "CREATE RULE r AS ON UPDATE TO $T DO ALSO INSERT INTO $T_log VALUES (NEW.f)"},
       codes,
       through,
       false},
      {"UNIQUE (lower(f))",
       {"CREATE UNIQUE INDEX $T_u ON $T (lower(f))"},
       "('a'), ('b')",
       {{"b", "A"}, {"a", "c"}},
       false},
      {"UNIQUE (replace(f, '-', ''))",
       {"CREATE UNIQUE INDEX $T_u ON $T (replace(f, '-', ''))"},
       "('1000001'), ('100-0002')",
       {{"100-0002", "100-0001"}, {"1000001", "1000003"}},
       false},
      {"a partial unique index",
       {"ALTER TABLE $T ADD COLUMN g text DEFAULT '1'",
        "CREATE UNIQUE INDEX $T_u ON $T (g) WHERE f <> 'x'"},
       "('a'), ('x')",
       {{"x", "y"}, {"a", "x"}},
       false},
      {"a unique index over another field only",
       {"ALTER TABLE $T ADD COLUMN g serial UNIQUE"},
       "('a'), ('x')",
       {{"x", "y"}, {"a", "b"}},
       true},
  };
  admin->execute("CREATE OR REPLACE FUNCTION " + strip +
                 "() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN NEW.f := replace(NEW.f, ''-'', "
                 "''''); RETURN NEW; END'");
  admin->execute("CREATE OR REPLACE FUNCTION " + follow +
                 "() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN UPDATE " + table +
                 " SET f = ''2000001'' WHERE id = 3; RETURN NULL; END'");
  admin->execute("CREATE OR REPLACE FUNCTION " + mark +
                 "() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN IF pg_trigger_depth() = 1 THEN "
                 "UPDATE " +
                 table + " SET f = f || ''!'' WHERE id = 3; END IF; RETURN NULL; END'");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setup = c.setup;
    admin->execute(named("DROP TABLE IF EXISTS $T_log CASCADE"));
    const std::vector<Outcome> outcomes = runBoth("text", c.values, withFiller(c.pairs, false));
    EXPECT_EQ(outcomes[1].by_mapping, c.by_mapping);
    EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
    EXPECT_EQ(outcomes[1].counts, outcomes[0].counts);
    EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
  }
  setup.clear();
  admin->execute("DROP TABLE IF EXISTS " + table);
  admin->execute(named("DROP TABLE IF EXISTS $T_log CASCADE"));
  for (const std::string& function : {strip, follow, mark}) {
    admin->execute("DROP FUNCTION IF EXISTS " + function + "()");
  }

  // A user table of the name the run's temporary table once had is changed, not shadowed.
  table = "norvel_run_pairs";
  const std::vector<Outcome> outcomes =
      runBoth("text", "('A'), ('B'), ('A')", withFiller({{"A", "X"}, {"B", "Y"}}, false));
  EXPECT_TRUE(outcomes[1].by_mapping);
  EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
  EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
  EXPECT_EQ(outcomes[1].rows, "1:'X' 2:'Y' 3:'X' ");
}

// Another session changes the rows of later pairs while the run waits for a row it locked: the
// counts are those of the rows the run actually changed.
TEST_F(PostgresStrategy, CountsAreTheRowsChangedWhileAnotherSessionWrites) {
  admin->execute("CREATE TABLE " + table + " (id serial PRIMARY KEY, f text)");
  admin->execute("INSERT INTO " + table +
                 " (f) VALUES ('A'), (NULL), ('B'), ('B'), ('C'), ('C'), ('C')");
  auto writer = openOdbc(connection_string);
  writer->beginTransaction();
  writer->queryRows(SqlStatement("SELECT id FROM " + table + " WHERE f IS NULL FOR UPDATE"));

  std::thread other([&] {
    auto watcher = openOdbc(connection_string);
    // Once the run waits for the locked row: a B more, a C less, then the lock goes.
    for (int i = 0; i < 1000; ++i) {
      const QueryRows waiting =
          watcher->queryRows(SqlStatement("SELECT count(*) FROM pg_locks WHERE NOT granted"));
      if (!waiting.empty() && waiting[0][0] && *waiting[0][0] != "0") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    writer->execute("INSERT INTO " + table + " (f) VALUES ('B')");
    writer->execute("DELETE FROM " + table + " WHERE id = 7");
    writer->commitTransaction();
  });
  auto connection = openOdbc(connection_string);
  testing::FullRunRecorder recorder;
  const RunResult result = runReplacement(
      *connection, {table, "f"}, {{"A", "A2"}, {"NULL", "N"}, {"B", "B2"}, {"C", "C2"}}, recorder);
  other.join();
  EXPECT_TRUE(result.by_mapping);
  EXPECT_EQ(result.counts, (std::vector<std::int64_t>{1, 1, 3, 2}));
  const QueryRows changed =
      admin->queryRows(SqlStatement("SELECT f, count(*) FROM " + table + " GROUP BY f ORDER BY f"));
  std::string text;
  for (const auto& row : changed) text += *row[0] + "=" + *row[1] + " ";
  EXPECT_EQ(text, "A2=1 B2=3 C2=2 N=1 ");
}

// TEMP is granted to PUBLIC: a role that may only read and update the table still gets the
// set-based run.
TEST_F(PostgresStrategy, ARoleWithOnlySelectAndUpdate) {
  const std::string role = "norvel_clerk_" + std::to_string(::getpid());
  try {
    admin->execute("DROP ROLE IF EXISTS " + role);
    admin->execute("CREATE ROLE " + role + " LOGIN PASSWORD 'clerk'");
  } catch (const DatabaseError& error) {
    GTEST_SKIP() << "the test role cannot create roles: " << error.what();
  }
  grant = [&] { admin->execute("GRANT SELECT, UPDATE ON " + table + " TO " + role); };
  std::string clerk = connection_string;
  clerk = clerk.substr(0, clerk.find("Uid=")) + "Uid=" + role + ";Pwd=clerk;";
  const std::vector<Outcome> outcomes =
      runBoth("text", "('A'), ('A'), ('B')", withFiller({{"A", "X"}, {"B", "Y"}}, false), clerk);
  admin->execute("DROP TABLE IF EXISTS " + table);
  admin->execute("DROP ROLE " + role);
  EXPECT_TRUE(outcomes[1].by_mapping);
  EXPECT_EQ(outcomes[1].lines, outcomes[0].lines);
  EXPECT_EQ(outcomes[1].rows, outcomes[0].rows);
  EXPECT_EQ(outcomes[1].counts, (std::vector<std::int64_t>{2, 1, 0}));
}

}  // namespace
}  // namespace norvel
