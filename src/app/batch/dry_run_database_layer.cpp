#include "app/batch/dry_run_database_layer.h"

namespace norvel::batch {
namespace {

class DryRunConnection final : public DatabaseConnection {
 public:
  DryRunConnection(std::unique_ptr<DatabaseConnection> real, bool& rolled_back)
      : real_(std::move(real)), rolled_back_(rolled_back) {}

  void close() override { real_->close(); }
  std::int64_t execute(const std::string& sql) override { return real_->execute(sql); }
  QueryInfo query(const std::string& sql) override { return real_->query(sql); }
  void beginTransaction() override { real_->beginTransaction(); }
  void commitTransaction() override {
    real_->rollbackTransaction();
    rolled_back_ = true;
  }
  void rollbackTransaction() override { real_->rollbackTransaction(); }
  std::vector<std::string> tableNames() override { return real_->tableNames(); }
  std::vector<std::string> columnNames(const std::string& table) override {
    return real_->columnNames(table);
  }

 private:
  std::unique_ptr<DatabaseConnection> real_;
  bool& rolled_back_;
};

}  // namespace

std::unique_ptr<DatabaseConnection> DryRunDatabaseLayer::open(
    const std::string& connection_string) {
  return std::make_unique<DryRunConnection>(real_.open(connection_string), rolled_back_);
}

}  // namespace norvel::batch
