#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xlsx/zip_archive.h"

namespace norvel::xlsx {

// Bytes [begin, end) of a part replaced by text; begin == end inserts.
struct Splice {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::string text;
};

// Orders splices for applying: stable, so insertions at one point keep their order and come
// before a replacement there. Throws DatabaseError naming the part when two overlap.
void orderSplices(const std::string& part_name, std::vector<Splice>& splices);

// A part of source with splices applied, made as the archive being written asks for it: the
// part is never held whole, neither as it was nor as it becomes. The splices must be ordered
// and lie within the part; source must outlive the producer.
class SplicedPart final : public PartProducer {
 public:
  SplicedPart(const ZipArchive& source, std::string part_name, std::vector<Splice> splices);

  std::uint64_t size() const override { return size_; }
  void start() override;
  std::size_t read(char* data, std::size_t capacity) override;

 private:
  const ZipArchive& source_;
  std::string part_name_;
  std::vector<Splice> splices_;
  std::uint64_t size_ = 0;

  std::unique_ptr<EntryReader> input_;
  std::vector<char> buffer_;
  std::size_t buffered_begin_ = 0;
  std::size_t buffered_end_ = 0;
  std::uint64_t offset_ = 0;  // where buffered_begin_ stands in the part
  std::size_t next_ = 0;      // the next splice
  std::size_t pending_ = 0;   // bytes of splices_[next_ - 1].text still to give
  std::uint64_t skip_ = 0;    // bytes of the part still to leave out
};

}  // namespace norvel::xlsx
