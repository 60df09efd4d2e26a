#include "app/sample/sample_database.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/database.h"
#include "platform/file_system.h"
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

// The half-built file, removed unless it was renamed into place.
class PartialFile {
 public:
  explicit PartialFile(const std::string& target) : path_(target + ".XXXXXX") {
    const int fd = ::mkstemp(path_.data());
    if (fd < 0) throw FileError(path_ + ": " + std::strerror(errno));
    // mkstemp's 0600 would keep the sample from other users; a new file's usual mode instead.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
  }
  ~PartialFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  const std::string& path() const { return path_; }
  void renameTo(const std::string& target) {
    if (std::rename(path_.c_str(), target.c_str()) != 0) {
      throw FileError(target + ": " + std::strerror(errno));
    }
    path_.clear();
  }

 private:
  std::string path_;
};

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
  PartialFile partial(path);
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
  partial.renameTo(path);
}

}  // namespace norvel::sample
