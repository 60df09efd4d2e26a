#include "xlsx/spliced_part.h"

#include <algorithm>
#include <cstring>

#include "platform/database.h"

namespace norvel::xlsx {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

}  // namespace

void orderSplices(const std::string& part_name, std::vector<Splice>& splices) {
  std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) {
    return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
  });
  std::uint64_t done = 0;
  for (const auto& splice : splices) {
    if (splice.begin < done) {
      throw DatabaseError(part_name + ": 2 つの変更が重なっています。何も書き込んでいません");
    }
    done = splice.end;
  }
}

SplicedPart::SplicedPart(const ZipArchive& source, std::string part_name,
                         std::vector<Splice> splices)
    : source_(source), part_name_(std::move(part_name)), splices_(std::move(splices)) {
  start();
  size_ = input_->size();
  for (const auto& splice : splices_) size_ += splice.text.size() - (splice.end - splice.begin);
}

void SplicedPart::start() {
  input_ = source_.open(part_name_);
  buffer_.resize(kBufferSize);
  buffered_begin_ = buffered_end_ = 0;
  offset_ = 0;
  next_ = 0;
  pending_ = 0;
  skip_ = 0;
}

std::size_t SplicedPart::read(char* data, std::size_t capacity) {
  std::size_t written = 0;
  while (written < capacity) {
    if (pending_ > 0) {
      const std::string& text = splices_[next_ - 1].text;
      const std::size_t n = std::min(pending_, capacity - written);
      std::memcpy(data + written, text.data() + (text.size() - pending_), n);
      pending_ -= n;
      written += n;
      continue;
    }
    if (skip_ == 0 && next_ < splices_.size() && splices_[next_].begin == offset_) {
      const Splice& splice = splices_[next_++];
      pending_ = splice.text.size();
      skip_ = splice.end - splice.begin;
      continue;
    }
    if (buffered_begin_ == buffered_end_) {
      buffered_begin_ = 0;
      buffered_end_ = input_->read(buffer_.data(), buffer_.size());
      if (buffered_end_ == 0) break;
    }
    const std::size_t available = buffered_end_ - buffered_begin_;
    if (skip_ > 0) {
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(available, skip_));
      buffered_begin_ += n;
      offset_ += n;
      skip_ -= n;
      continue;
    }
    std::uint64_t n = std::min<std::uint64_t>(available, capacity - written);
    if (next_ < splices_.size()) n = std::min(n, splices_[next_].begin - offset_);
    std::memcpy(data + written, buffer_.data() + buffered_begin_, static_cast<std::size_t>(n));
    buffered_begin_ += static_cast<std::size_t>(n);
    offset_ += n;
    written += static_cast<std::size_t>(n);
  }
  if (written == 0 && (next_ < splices_.size() || skip_ > 0)) {
    throw DatabaseError(part_name_ +
                        ": 変更の位置がパーツの末尾より後ろにあります。何も書き込んでいません");
  }
  return written;
}

}  // namespace norvel::xlsx
