#include "platform/zip/zip_entry_reader.h"

#include <zip.h>

#include <algorithm>
#include <utility>

namespace norvel::ziparchive {

ZipReadError::ZipReadError(ZipFault fault, std::string entry, const std::string& library_text,
                           std::uint64_t size, std::uint64_t compressed_size)
    : std::runtime_error(library_text),
      fault_(fault),
      entry_(std::move(entry)),
      size_(size),
      compressed_size_(compressed_size) {}

EntryReader::EntryReader(std::string entry, zip_file* file, std::uint64_t size)
    : entry_(std::move(entry)), file_(file), size_(size) {}

EntryReader::~EntryReader() {
  zip_fclose(file_);
}

std::size_t EntryReader::read(char* data, std::size_t capacity) {
  if (finished_ || capacity == 0) return 0;
  if (done_ == size_) {
    // The stated size may be a lie; libzip inflates no more than is asked for, so memory
    // stays within the stated size, and one byte beyond it shows a lie. Closing verifies the
    // CRC only once the whole entry was read; a mismatch shows here.
    char extra;
    const auto n = zip_fread(file_, &extra, 1);
    if (n < 0) throw ZipReadError(ZipFault::kLibrary, entry_, zip_file_strerror(file_));
    if (n > 0) throw ZipReadError(ZipFault::kLongerThanStated, entry_, "", size_);
    finished_ = true;
    return 0;
  }
  const auto wanted = static_cast<zip_uint64_t>(std::min<std::uint64_t>(capacity, size_ - done_));
  const auto n = zip_fread(file_, data, wanted);
  if (n < 0) throw ZipReadError(ZipFault::kLibrary, entry_, zip_file_strerror(file_));
  if (n == 0) throw ZipReadError(ZipFault::kShorterThanStated, entry_, "", size_);
  done_ += static_cast<std::uint64_t>(n);
  return static_cast<std::size_t>(n);
}

std::unique_ptr<EntryReader> openEntry(::zip* archive, std::uint64_t index, std::string entry,
                                       const InflateLimits& limits) {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive, index, 0, &stat) != 0) {
    throw ZipReadError(ZipFault::kLibrary, entry, zip_strerror(archive));
  }
  const bool need_compressed_size = limits.max_ratio != 0;
  if ((stat.valid & ZIP_STAT_SIZE) == 0 ||
      (need_compressed_size && (stat.valid & ZIP_STAT_COMP_SIZE) == 0)) {
    throw ZipReadError(ZipFault::kSizeUnknown, entry, "");
  }
  if (stat.size > limits.max_size) {
    throw ZipReadError(ZipFault::kTooLarge, entry, "", stat.size, stat.comp_size);
  }
  if (need_compressed_size && stat.size > limits.ratio_exempt_size &&
      stat.size / limits.max_ratio > stat.comp_size) {
    throw ZipReadError(ZipFault::kTooCompressed, entry, "", stat.size, stat.comp_size);
  }
  zip_file_t* file = zip_fopen_index(archive, index, 0);
  if (file == nullptr) throw ZipReadError(ZipFault::kLibrary, entry, zip_strerror(archive));
  return std::unique_ptr<EntryReader>(new EntryReader(std::move(entry), file, stat.size));
}

std::string readToEnd(EntryReader& reader) {
  std::string data(static_cast<std::size_t>(reader.size()), '\0');
  std::size_t done = 0;
  while (done < data.size()) done += reader.read(data.data() + done, data.size() - done);
  char extra;
  reader.read(&extra, 1);
  return data;
}

}  // namespace norvel::ziparchive
