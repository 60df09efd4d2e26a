#include "app/pairs/zip_csv.h"

#include <zip.h>

#include <memory>
#include <vector>

#include "postal/address_record.h"
#include "text/ascii_case.h"

namespace norvel::pairs_tool {
namespace {

using postal::PostalInputError;

// Far beyond the largest list Japan Post publishes (about 18 MB unpacked); a damaged or
// hostile archive would otherwise decide how much memory is taken.
constexpr zip_uint64_t kMaxEntrySize = zip_uint64_t{1} << 30;

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceCloser {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};

class ZipErrorText {
 public:
  ZipErrorText() { zip_error_init(&error_); }
  ~ZipErrorText() { zip_error_fini(&error_); }
  ZipErrorText(const ZipErrorText&) = delete;
  ZipErrorText& operator=(const ZipErrorText&) = delete;
  zip_error_t* get() { return &error_; }
  std::string text() { return zip_error_strerror(&error_); }

 private:
  zip_error_t error_;
};

bool endsWithCsv(std::string_view name) {
  if (name.size() < 4) return false;
  return equalsIgnoringAsciiCase(name.substr(name.size() - 4), ".csv");
}

std::string readEntry(zip_t* archive, zip_uint64_t index, const std::string& name) {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive, index, 0, &stat) != 0) {
    throw PostalInputError(name + ": " + zip_strerror(archive));
  }
  if ((stat.valid & ZIP_STAT_SIZE) == 0 || stat.size > kMaxEntrySize) {
    throw PostalInputError(name + ": the entry's size is missing or too large");
  }
  const std::unique_ptr<zip_file_t, EntryCloser> file(zip_fopen_index(archive, index, 0));
  if (!file) throw PostalInputError(name + ": " + zip_strerror(archive));
  std::string data(static_cast<std::size_t>(stat.size), '\0');
  std::size_t done = 0;
  while (done < data.size()) {
    const zip_int64_t n = zip_fread(file.get(), data.data() + done, data.size() - done);
    if (n < 0) throw PostalInputError(name + ": " + zip_file_strerror(file.get()));
    if (n == 0) throw PostalInputError(name + ": the entry ends before its stated size");
    done += static_cast<std::size_t>(n);
  }
  // The checksum is compared once the reader sees the end of the entry.
  char extra;
  if (zip_fread(file.get(), &extra, 1) < 0) {
    throw PostalInputError(name + ": " + zip_file_strerror(file.get()));
  }
  return data;
}

}  // namespace

bool looksLikeZip(std::string_view bytes) {
  return bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4) ||
         bytes.substr(0, 4) == std::string_view("PK\x05\x06", 4);
}

ZipCsv readCsvFromZip(std::string_view archive_bytes) {
  ZipErrorText error;
  std::unique_ptr<zip_source_t, SourceCloser> source(
      zip_source_buffer_create(archive_bytes.data(), archive_bytes.size(), 0, error.get()));
  if (!source) throw PostalInputError("zip archive: " + error.text());
  const std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, error.get()));
  if (!archive) throw PostalInputError("zip archive: " + error.text());
  // The archive owns the source from here on.
  source.release();

  std::vector<std::pair<zip_uint64_t, std::string>> csv_entries;
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    const char* name = zip_get_name(archive.get(), index, ZIP_FL_ENC_GUESS);
    if (name != nullptr && endsWithCsv(name)) csv_entries.emplace_back(index, name);
  }
  if (csv_entries.empty()) throw PostalInputError("the zip archive holds no .csv file");
  if (csv_entries.size() > 1) {
    std::string names;
    for (const auto& [index, name] : csv_entries) names += (names.empty() ? "" : ", ") + name;
    throw PostalInputError("the zip archive holds several .csv files (" + names +
                           "): unpack the one you mean");
  }
  const auto& [index, name] = csv_entries.front();
  return {name, readEntry(archive.get(), index, name)};
}

}  // namespace norvel::pairs_tool
