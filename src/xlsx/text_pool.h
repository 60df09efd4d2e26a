#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace norvel::xlsx {

// Texts kept one after another in blocks, so that millions of small texts cost little more
// than their bytes, and growing never copies what is kept.
class TextPool {
 public:
  // Returns where the text is kept, for view(); an empty text is kept nowhere.
  std::uint64_t add(std::string_view text);
  std::string_view view(std::uint64_t where, std::size_t size) const {
    if (size == 0) return {};
    return std::string_view(blocks_[where >> 32]).substr(where & 0xFFFFFFFFu, size);
  }

 private:
  std::deque<std::string> blocks_;
};

}  // namespace norvel::xlsx
