#include "xls/compound_file.h"

#include <algorithm>
#include <set>

#include "platform/database.h"
#include "xls/little_endian.h"

namespace norvel::xls {

namespace {

constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kHeaderSize = 512;
constexpr std::uint32_t kMiniCutoff = 4096;
constexpr std::size_t kMiniSector = 64;
constexpr std::uint8_t kStorage = 1;
constexpr std::uint8_t kStream = 2;
constexpr std::uint8_t kRoot = 5;

const std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

[[noreturn]] void corrupt(const std::string& what) {
  throw DatabaseError(
      "複合ドキュメントが壊れていて、Excel 97-2003 ブック（.xls）として読み取れません（" + what +
      "）");
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, 8) != kSignature) corrupt("ヘッダー");
    const unsigned shift = get16(bytes, 0x1E);
    if (shift != 9 && shift != 12) corrupt("セクターの大きさ");
    sector_size_ = std::size_t{1} << shift;
    if (get16(bytes, 0x20) != 6) corrupt("ミニセクターの大きさ");
    // Some writers leave the last sector short; it reads as if filled with zeros.
    padded_.assign(bytes);
    padded_.resize((bytes.size() + sector_size_ - 1) / sector_size_ * sector_size_, '\0');
    bytes_ = padded_;
    sector_count_ = bytes_.size() / sector_size_ - 1;  // sectors after the header's own
    readFat();
    directory_ = chain(get32(bytes_, 0x30), fat_, "ディレクトリ");
    readMiniFat();
  }

  std::size_t sectorSize() const { return sector_size_; }
  const std::string& directory() const { return directory_; }

  std::string stream(std::uint32_t start, std::uint64_t size, bool mini) {
    if (size > bytes_.size() * std::uint64_t{64}) corrupt("ストリームの大きさ");
    std::string data = mini ? miniChain(start) : chain(start, fat_, "ストリーム");
    if (data.size() < size) corrupt("ストリームの長さ");
    data.resize(static_cast<std::size_t>(size));
    return data;
  }

  void setMiniStream(std::uint32_t start, std::uint64_t size) {
    mini_stream_ = stream(start, size, false);
  }

 private:
  std::string_view sector(std::uint32_t number) const {
    if (number >= sector_count_) corrupt("セクター番号");
    return bytes_.substr((std::size_t{number} + 1) * sector_size_, sector_size_);
  }

  void readFat() {
    std::vector<std::uint32_t> fat_sectors;
    const std::uint32_t fat_count = get32(bytes_, 0x2C);
    for (std::size_t i = 0; i < 109 && fat_sectors.size() < fat_count; ++i) {
      fat_sectors.push_back(get32(bytes_, 0x4C + 4 * i));
    }
    std::uint32_t difat = get32(bytes_, 0x44);
    std::set<std::uint32_t> seen;
    const std::size_t per_sector = sector_size_ / 4;
    while (fat_sectors.size() < fat_count && difat != kEndOfChain && difat != kFree) {
      if (!seen.insert(difat).second) corrupt("DIFAT の循環");
      const std::string_view data = sector(difat);
      for (std::size_t i = 0; i + 1 < per_sector && fat_sectors.size() < fat_count; ++i) {
        fat_sectors.push_back(get32(data, 4 * i));
      }
      difat = get32(data, 4 * (per_sector - 1));
    }
    if (fat_sectors.size() < fat_count) corrupt("FAT");
    for (const std::uint32_t number : fat_sectors) {
      const std::string_view data = sector(number);
      for (std::size_t i = 0; i < per_sector; ++i) fat_.push_back(get32(data, 4 * i));
    }
  }

  void readMiniFat() {
    const std::string data = chain(get32(bytes_, 0x3C), fat_, "ミニ FAT");
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) mini_fat_.push_back(get32(data, i));
  }

  std::string chain(std::uint32_t start, const std::vector<std::uint32_t>& fat,
                    const char* what) const {
    std::string data;
    std::uint32_t current = start;
    std::size_t steps = 0;
    while (current != kEndOfChain) {
      if (current >= fat.size() || ++steps > sector_count_) corrupt(what);
      data += sector(current);
      current = fat[current];
    }
    return data;
  }

  std::string miniChain(std::uint32_t start) const {
    std::string data;
    std::uint32_t current = start;
    std::size_t steps = 0;
    while (current != kEndOfChain) {
      if (current >= mini_fat_.size() || ++steps > mini_fat_.size()) corrupt("ミニストリーム");
      const std::size_t offset = std::size_t{current} * kMiniSector;
      if (offset + kMiniSector > mini_stream_.size()) corrupt("ミニストリーム");
      data.append(mini_stream_, offset, kMiniSector);
      current = mini_fat_[current];
    }
    return data;
  }

  std::string padded_;
  std::string_view bytes_;
  std::size_t sector_size_ = 512;
  std::size_t sector_count_ = 0;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> mini_fat_;
  std::string directory_;
  std::string mini_stream_;
};

std::uint64_t entrySize(const std::string& raw, std::size_t sector_size) {
  // Version 3 files may leave garbage in the high half.
  return sector_size == 512 ? get32(raw, 0x78) : get64(raw, 0x78);
}

}  // namespace

CompoundFile::CompoundFile(std::string_view bytes) {
  Reader reader(bytes);
  const std::string& directory = reader.directory();
  if (directory.size() < kEntrySize) corrupt("ディレクトリ");
  for (std::size_t offset = 0; offset + kEntrySize <= directory.size(); offset += kEntrySize) {
    Entry entry;
    entry.raw = directory.substr(offset, kEntrySize);
    entry.type = static_cast<std::uint8_t>(entry.raw[0x42]);
    entries_.push_back(std::move(entry));
  }
  if (entries_[0].type != kRoot) corrupt("ルート");
  const std::string& root = entries_[0].raw;
  reader.setMiniStream(get32(root, 0x74), entrySize(root, reader.sectorSize()));
  for (auto& entry : entries_) {
    if (entry.type != kStream) continue;
    const std::uint64_t size = entrySize(entry.raw, reader.sectorSize());
    entry.contents = reader.stream(get32(entry.raw, 0x74), size, size < kMiniCutoff);
  }
}

bool CompoundFile::nameIs(const Entry& entry, std::string_view ascii_name) const {
  const std::size_t length = get16(entry.raw, 0x40);
  if (length != (ascii_name.size() + 1) * 2) return false;
  for (std::size_t i = 0; i < ascii_name.size(); ++i) {
    const std::uint16_t unit = get16(entry.raw, 2 * i);
    const auto lower = [](std::uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(unit) != lower(static_cast<unsigned char>(ascii_name[i]))) return false;
  }
  return true;
}

std::optional<std::size_t> CompoundFile::findStream(std::string_view ascii_name) const {
  // The root's children are a tree through the left and right siblings.
  std::vector<std::uint32_t> pending{get32(entries_[0].raw, 0x4C)};
  std::set<std::uint32_t> seen;
  while (!pending.empty()) {
    const std::uint32_t index = pending.back();
    pending.pop_back();
    if (index == kNoStream || index >= entries_.size() || !seen.insert(index).second) continue;
    const Entry& entry = entries_[index];
    if (entry.type == kStream && nameIs(entry, ascii_name)) return index;
    pending.push_back(get32(entry.raw, 0x44));
    pending.push_back(get32(entry.raw, 0x48));
  }
  return std::nullopt;
}

bool CompoundFile::hasEntry(std::string_view ascii_name) const {
  return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return (entry.type == kStream || entry.type == kStorage) && nameIs(entry, ascii_name);
  });
}

std::string CompoundFile::withContents(std::size_t replaced, std::string contents) const {
  constexpr std::size_t kSector = 512;
  constexpr std::size_t kPerSector = kSector / 4;
  const auto sectors_for = [](std::size_t size) { return (size + kSector - 1) / kSector; };

  std::vector<Entry> entries = entries_;
  entries.at(replaced).contents = std::move(contents);
  // Small streams go to the mini stream, the others to sectors of their own.
  std::string mini_stream;
  std::vector<std::uint32_t> mini_fat;
  std::size_t big_sectors = 0;
  for (auto& entry : entries) {
    if (entry.type != kStream) continue;
    const std::size_t size = entry.contents.size();
    put64(entry.raw, 0x78, size);
    if (size == 0) {
      put32(entry.raw, 0x74, kEndOfChain);
    } else if (size < kMiniCutoff) {
      const auto first = static_cast<std::uint32_t>(mini_fat.size());
      put32(entry.raw, 0x74, first);
      const std::size_t count = (size + kMiniSector - 1) / kMiniSector;
      for (std::size_t i = 0; i < count; ++i) {
        mini_fat.push_back(i + 1 < count ? first + static_cast<std::uint32_t>(i) + 1 : kEndOfChain);
      }
      mini_stream += entry.contents;
      mini_stream.resize(mini_fat.size() * kMiniSector, '\0');
    } else {
      big_sectors += sectors_for(size);
    }
  }
  // The directory fills whole sectors with unused entries.
  while (entries.size() % (kSector / kEntrySize) != 0) {
    Entry unused;
    unused.raw.assign(kEntrySize, '\0');
    put32(unused.raw, 0x44, kNoStream);
    put32(unused.raw, 0x48, kNoStream);
    put32(unused.raw, 0x4C, kNoStream);
    entries.push_back(std::move(unused));
  }
  const std::size_t directory_sectors = entries.size() * kEntrySize / kSector;
  const std::size_t mini_fat_sectors = sectors_for(mini_fat.size() * 4);
  const std::size_t mini_stream_sectors = sectors_for(mini_stream.size());
  const std::size_t data_sectors =
      directory_sectors + mini_fat_sectors + mini_stream_sectors + big_sectors;
  std::size_t fat_sectors = 0;
  std::size_t difat_sectors = 0;
  for (;;) {
    const std::size_t total = data_sectors + fat_sectors + difat_sectors;
    const std::size_t need_fat = (total + kPerSector - 1) / kPerSector;
    const std::size_t need_difat =
        need_fat > 109 ? (need_fat - 109 + kPerSector - 2) / (kPerSector - 1) : 0;
    if (need_fat == fat_sectors && need_difat == difat_sectors) break;
    fat_sectors = need_fat;
    difat_sectors = need_difat;
  }

  // Layout: DIFAT, FAT, directory, mini FAT, mini stream, then the large streams.
  std::vector<std::uint32_t> fat(fat_sectors * kPerSector, kFree);
  std::uint32_t next = 0;
  for (std::size_t i = 0; i < difat_sectors; ++i) fat[next++] = kDifatSector;
  const std::uint32_t first_fat = next;
  for (std::size_t i = 0; i < fat_sectors; ++i) fat[next++] = kFatSector;
  const auto allocate = [&](std::size_t count) {
    if (count == 0) return kEndOfChain;
    const std::uint32_t first = next;
    for (std::size_t i = 0; i < count; ++i, ++next)
      fat[next] = i + 1 < count ? next + 1 : kEndOfChain;
    return first;
  };
  const std::uint32_t directory_start = allocate(directory_sectors);
  const std::uint32_t mini_fat_start = allocate(mini_fat_sectors);
  const std::uint32_t mini_stream_start = allocate(mini_stream_sectors);
  put32(entries[0].raw, 0x74, mini_stream.empty() ? kEndOfChain : mini_stream_start);
  put64(entries[0].raw, 0x78, mini_stream.size());
  std::vector<const Entry*> big;
  for (auto& entry : entries) {
    if (entry.type == kStream && entry.contents.size() >= kMiniCutoff) {
      put32(entry.raw, 0x74, allocate(sectors_for(entry.contents.size())));
      big.push_back(&entry);
    }
  }

  std::string out(kHeaderSize, '\0');
  out.replace(0, 8, kSignature);
  put16(out, 0x18, 0x003E);
  put16(out, 0x1A, 3);
  put16(out, 0x1C, 0xFFFE);
  put16(out, 0x1E, 9);
  put16(out, 0x20, 6);
  put32(out, 0x2C, static_cast<std::uint32_t>(fat_sectors));
  put32(out, 0x30, directory_start);
  put32(out, 0x38, kMiniCutoff);
  put32(out, 0x3C, mini_fat.empty() ? kEndOfChain : mini_fat_start);
  put32(out, 0x40, static_cast<std::uint32_t>(mini_fat_sectors));
  put32(out, 0x44, difat_sectors == 0 ? kEndOfChain : 0);
  put32(out, 0x48, static_cast<std::uint32_t>(difat_sectors));
  for (std::size_t i = 0; i < 109; ++i) {
    put32(out, 0x4C + 4 * i, i < fat_sectors ? first_fat + static_cast<std::uint32_t>(i) : kFree);
  }
  const auto padded = [&] {
    out.resize(kHeaderSize + (out.size() - kHeaderSize + kSector - 1) / kSector * kSector, '\0');
  };
  for (std::size_t d = 0; d < difat_sectors; ++d) {
    std::string sector(kSector, '\0');
    for (std::size_t i = 0; i + 1 < kPerSector; ++i) {
      const std::size_t fat_index = 109 + d * (kPerSector - 1) + i;
      put32(sector, 4 * i,
            fat_index < fat_sectors ? first_fat + static_cast<std::uint32_t>(fat_index) : kFree);
    }
    put32(sector, kSector - 4,
          d + 1 < difat_sectors ? static_cast<std::uint32_t>(d + 1) : kEndOfChain);
    out += sector;
  }
  for (const std::uint32_t value : fat) {
    std::string word(4, '\0');
    put32(word, 0, value);
    out += word;
  }
  for (const auto& entry : entries) out += entry.raw;
  for (const std::uint32_t value : mini_fat) {
    std::string word(4, '\0');
    put32(word, 0, value);
    out += word;
  }
  padded();
  out += mini_stream;
  padded();
  for (const Entry* entry : big) {
    out += entry->contents;
    padded();
  }
  return out;
}

}  // namespace norvel::xls
