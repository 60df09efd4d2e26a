#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/database.h"
#include "xlsx/memory_database.h"
#include "xlsx/sheet_layout.h"
#include "xlsx/sheet_patch.h"
#include "xlsx/workbook_file.h"
#include "xlsx/workbook_format.h"
#include "xlsx/zip_archive.h"

namespace norvel::xlsx {

// A workbook as a data source: every worksheet is a table "<sheet>$" in an in-memory SQLite
// copy, on which the SQL runs. Committing writes the cells whose values changed back into the
// workbook file and keeps the rest of the file as it was.
class WorkbookConnection final : public DatabaseConnection, public SetBasedSupport {
 public:
  // Reads the whole workbook. Throws DatabaseError. Tests lower the limits to keep their
  // oversized parts small. Changes are saved through files.
  WorkbookConnection(LoadedFile file, bool header_row, InflateLimits limits = {},
                     FileSystem& files = nativeFileSystem());
  // The same for a workbook in another file format.
  WorkbookConnection(LoadedFile file, bool header_row, std::unique_ptr<WorkbookFormat> format,
                     FileSystem& files = nativeFileSystem());
  ~WorkbookConnection() override;
  WorkbookConnection(const WorkbookConnection&) = delete;
  WorkbookConnection& operator=(const WorkbookConnection&) = delete;

  void close() override;
  std::int64_t execute(const std::string& sql) override;
  QueryInfo query(const std::string& sql) override;
  void beginTransaction() override;
  void commitTransaction() override;
  void rollbackTransaction() override;
  void interrupt() noexcept override;
  SetBasedSupport* setBasedSupport() override;
  PerPairCause perPairCause(const std::string& table, const std::string& field) override;
  void createComparableTable(const std::string& name, const std::string& source,
                             bool numeric_codes) override;
  std::string temporaryTableReference(const std::string& name) override;
  WrittenValueChecks writtenValueChecks(const std::string& table,
                                        const std::string& field) override;
  bool transactionOpen() override;
  void dropTemporaryTable(const std::string& name) override;
  void analyzeTemporaryTable(const std::string& name) override;
  void savepoint(SavepointStep step, const std::string& name) override;
  QueryRows queryRows(const SqlStatement& statement) override;
  bool indexFieldForTransaction(const std::string& table, const std::string& field) override;
  std::vector<std::string> tableNames() override;
  std::vector<std::string> columnNames(const std::string& table) override;
  std::optional<std::string> worksheetRowName(const std::string& table) override;

 private:
  struct SheetTable {
    std::string name;  // "<sheet>$"
    SheetLayout layout;
  };

  MemoryDatabase& database() const;
  void load(bool header_row);
  void runInternal(const std::string& sql);
  std::unique_ptr<Statement> prepareUserStatement(std::string_view sql, std::string_view* tail);
  std::map<std::size_t, std::vector<CellEdit>> collectEdits();
  void saveChanges();
  void discardChanges();

  static int authorize(void* self, int action, const char* table, const char* column,
                       const char* database, const char* trigger);
  int authorizeUserStatement(int action, const char* table, const char* column,
                             const char* database);
  bool isTable(const char* table) const;
  bool isField(std::string_view table, std::string_view column) const;

  FileSystem& files_;
  LoadedFile file_;
  std::unique_ptr<WorkbookFormat> format_;
  std::vector<SheetTable> tables_;
  std::mutex interrupt_mutex_;  // keeps close() from freeing db_ while interrupt() uses it
  std::unique_ptr<MemoryDatabase> db_;
  bool in_transaction_ = false;
  bool internal_ = false;
  std::set<std::string> run_tables_;  // the run's temporary tables, which its SQL may fill
  std::string run_index_;             // the index on a field until the transaction ends
  std::string denial_;
};

}  // namespace norvel::xlsx
