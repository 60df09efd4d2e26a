#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvel::xls {

// A compound file (OLE2 structured storage) held in memory: its directory and the contents of
// every stream. Written back whole, with one stream's contents replaced: the directory tree,
// every entry's name, class, state and times, and every other stream's bytes stay as they were.
class CompoundFile {
 public:
  // Throws DatabaseError when the bytes are not a well-formed compound file.
  explicit CompoundFile(std::string_view bytes);

  // The entry of the stream of that name directly in the root storage; names compare without
  // regard to ASCII case, as the format has them.
  std::optional<std::size_t> findStream(std::string_view ascii_name) const;
  // True when any entry has that name, stream or storage, anywhere in the tree.
  bool hasEntry(std::string_view ascii_name) const;

  const std::string& contents(std::size_t entry) const { return entries_.at(entry).contents; }

  // The file again with the stream's contents replaced (version 3, 512-byte sectors).
  std::string withContents(std::size_t entry, std::string contents) const;

 private:
  struct Entry {
    std::string raw;  // the 128 bytes of the directory entry
    std::uint8_t type = 0;
    std::string contents;  // of a stream
  };

  bool nameIs(const Entry& entry, std::string_view ascii_name) const;

  std::vector<Entry> entries_;
};

}  // namespace norvel::xls
