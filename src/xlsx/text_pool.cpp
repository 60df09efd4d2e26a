#include "xlsx/text_pool.h"

#include <algorithm>

namespace norvel::xlsx {

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

}  // namespace

std::uint64_t TextPool::add(std::string_view text) {
  if (text.empty()) return 0;
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < text.size()) {
    // A text longer than a block gets one of its own.
    blocks_.emplace_back().reserve(std::max(kBlockSize, text.size()));
  }
  std::string& block = blocks_.back();
  const std::uint64_t where = (std::uint64_t{blocks_.size() - 1} << 32) | block.size();
  block.append(text);
  return where;
}

}  // namespace norvel::xlsx
