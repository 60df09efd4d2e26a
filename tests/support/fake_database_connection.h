#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/database.h"

namespace norvel::testing {

// A DatabaseConnection whose answers a test scripts: the probe's column type, the rows each
// UPDATE changes, and a failure at begin, at the k-th probe or UPDATE (from 0), at the commit or
// the rollback. Every call is recorded in order.
class FakeDatabaseConnection : public DatabaseConnection {
 public:
  int column_type = ado::adVarWChar;
  std::vector<std::int64_t> update_rows;  // per UPDATE in order; 0 beyond the list
  std::optional<DatabaseError> fail_begin;
  std::optional<DatabaseError> fail_commit;
  std::optional<DatabaseError> fail_rollback;
  std::map<std::size_t, DatabaseError> fail_probe;   // by probe number
  std::map<std::size_t, DatabaseError> fail_update;  // by UPDATE number
  // Runs inside the k-th UPDATE before it answers, as a statement running long would.
  std::function<void(std::size_t)> during_update;

  // "begin", "probe <sql>", "update <sql with literals>", "commit", "rollback", "interrupt".
  std::vector<std::string> calls;
  int interrupts = 0;

  void close() override { calls.push_back("close"); }

  std::int64_t execute(const std::string& sql) override {
    return executeStatement(SqlStatement(sql));
  }

  std::int64_t executeStatement(const SqlStatement& statement) override {
    const std::size_t number = updates_++;
    calls.push_back("update " + statement.withLiterals());
    if (during_update) during_update(number);
    if (auto failure = fail_update.find(number); failure != fail_update.end()) {
      throw failure->second;
    }
    return number < update_rows.size() ? update_rows[number] : 0;
  }

  QueryInfo query(const std::string& sql) override {
    const std::size_t number = probes_++;
    calls.push_back("probe " + sql);
    if (auto failure = fail_probe.find(number); failure != fail_probe.end()) throw failure->second;
    return QueryInfo{column_type, true};
  }

  void beginTransaction() override {
    calls.push_back("begin");
    if (fail_begin) throw *fail_begin;
  }
  void commitTransaction() override {
    calls.push_back("commit");
    if (fail_commit) throw *fail_commit;
  }
  void rollbackTransaction() override {
    calls.push_back("rollback");
    if (fail_rollback) throw *fail_rollback;
  }
  void interrupt() noexcept override { ++interrupts; }

  std::vector<std::string> tableNames() override { return {}; }
  std::vector<std::string> columnNames(const std::string&) override { return {}; }

  // The calls without their SQL: "begin", "probe", "update", …
  std::vector<std::string> callKinds() const {
    std::vector<std::string> kinds;
    for (const std::string& call : calls) kinds.push_back(call.substr(0, call.find(' ')));
    return kinds;
  }

 private:
  std::size_t probes_ = 0;
  std::size_t updates_ = 0;
};

}  // namespace norvel::testing
