#include "app/sample/sample_database.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/database.h"
#include "platform/file_system.h"
#include "platform/posix/temporary_file.h"
#include "platform/sqlite/sqlite_handles.h"

namespace norvel::sample {
namespace {

using sqlite::DatabaseHandle;
using sqlite::quoteIdentifier;
using sqlite::Statement;

void exec(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite::throwLastError(db);
  }
}

void fill(sqlite3* db, const PostalCsv& csv) {
  const std::string table = quoteIdentifier(kSampleTable);
  std::string columns;
  std::string placeholders;
  for (const std::string& name : csv.columns) {
    if (!columns.empty()) {
      columns += ", ";
      placeholders += ", ";
    }
    columns += quoteIdentifier(name) + " TEXT";
    placeholders += "?";
  }
  exec(db, "BEGIN");
  exec(db, "CREATE TABLE " + table + " (" + columns + ")");
  const Statement insert =
      sqlite::prepare(db, "INSERT INTO " + table + " VALUES (" + placeholders + ")");
  for (const std::vector<std::string>& row : csv.rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      sqlite3_bind_text(insert.get(), static_cast<int>(i + 1), row[i].data(),
                        static_cast<int>(row[i].size()), SQLITE_STATIC);
    }
    sqlite::step(db, insert.get());
    sqlite3_reset(insert.get());
  }
  // Each pair of a run looks its code up once.
  exec(db, "CREATE INDEX " + quoteIdentifier(std::string(kSampleTable) + "_" + csv.columns[0]) +
               " ON " + table + " (" + quoteIdentifier(csv.columns[0]) + ")");
  exec(db, "COMMIT");
}

}  // namespace

void writeSampleDatabase(const std::string& path, const PostalCsv& csv) {
  // The half-built file, removed unless it was renamed into place.
  TemporaryFile partial(path);
  // mkostemp's 0600 would keep the sample from other users; a new file's usual mode instead.
  if (::fchmod(partial.descriptor().get(), newFileMode()) != 0) {
    throw FileError(partial.path() + ": " + std::strerror(errno));
  }
  // SQLite opens the file itself; a descriptor of ours closed later would drop its locks.
  partial.descriptor().close();
  {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(partial.path().c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK) sqlite::throwLastError(db.get());
    exec(db.get(), "PRAGMA journal_mode = MEMORY");
    fill(db.get(), csv);
    if (sqlite3_close(db.release()) != SQLITE_OK) {
      throw DatabaseError(partial.path() + ": the database could not be closed");
    }
  }
  partial.renameOver(path);
}

}  // namespace norvel::sample
