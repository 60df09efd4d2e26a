// Feeds arbitrary bytes to the workbook reader as an .xlsx file: open, list the tables and
// fields, run the probe query a replacement starts with.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/database.h"
#include "xlsx/workbook_layer.h"

namespace {

class InputFile {
 public:
  InputFile(const std::uint8_t* data, std::size_t size) {
    char pattern[] = "/tmp/norvel-fuzz-XXXXXX.xlsx";
    const int fd = ::mkstemps(pattern, 5);
    if (fd < 0) return;
    path_ = pattern;
    for (std::size_t done = 0; done < size;) {
      const auto n = ::write(fd, data + done, size - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::close(fd);
  }
  ~InputFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const InputFile input(data, size);
  if (input.path().empty()) return 0;
  for (bool header_row : {true, false}) {
    try {
      auto db = norvel::openWorkbook(input.path(), header_row);
      for (const auto& table : db->tableNames()) {
        for (const auto& field : db->columnNames(table)) {
          db->query("SELECT [" + field + "]\r FROM [" + table + "]\r WHERE 1=0\r");
        }
      }
    } catch (const norvel::DatabaseError&) {
    }
  }
  return 0;
}
