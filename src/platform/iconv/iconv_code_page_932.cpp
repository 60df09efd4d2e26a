#include "platform/iconv/iconv_code_page_932.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "text/utf8.h"

namespace norvel {
namespace {

constexpr std::string_view kEncodeReplacement = "?";
constexpr std::string_view kDecodeReplacement = "\xEF\xBF\xBD";  // U+FFFD

unsigned char byteAt(std::string_view text, std::size_t index) {
  return static_cast<unsigned char>(text[index]);
}

// The growing target of one conversion.
class Output {
 public:
  explicit Output(std::size_t capacity) : text_(std::max<std::size_t>(capacity, 16), '\0') {}

  char** next() { return &next_; }
  std::size_t* left() { return &left_; }

  void grow(std::size_t at_least) {
    const std::size_t used = text_.size() - left_;
    text_.resize(text_.size() + std::max(at_least, text_.size()));
    next_ = text_.data() + used;
    left_ = text_.size() - used;
  }

  void append(std::string_view bytes) {
    if (left_ < bytes.size()) grow(bytes.size());
    std::memcpy(next_, bytes.data(), bytes.size());
    next_ += bytes.size();
    left_ -= bytes.size();
  }

  std::string finish() && {
    text_.resize(text_.size() - left_);
    return std::move(text_);
  }

 private:
  std::string text_;
  char* next_ = text_.data();
  std::size_t left_ = text_.size();
};

// Converts all of input. Where iconv stops at a sequence it rejects (or an incomplete one at the
// end), reject_length(rest) tells how many bytes that sequence spans; they become replacement
// and the conversion goes on behind them.
template <typename RejectLength>
void convertAll(IconvHandle& handle, std::string_view input, std::string_view replacement,
                RejectLength reject_length, Output& output) {
  if (input.empty()) return;
  // iconv never writes through the input pointer; its interface simply predates const.
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  handle.reset();
  while (in_left > 0) {
    if (handle.convert(&in, &in_left, output.next(), output.left()) !=
        static_cast<std::size_t>(-1)) {
      break;
    }
    if (errno == E2BIG) {
      output.grow(in_left);
      continue;
    }
    const std::size_t skip = std::min(reject_length(std::string_view(in, in_left)), in_left);
    output.append(replacement);
    in += skip;
    in_left -= skip;
    handle.reset();
  }
}

// A character code page 932 lacks is one '?'; a byte that is not UTF-8 is one '?' of its own.
std::size_t rejectedUtf8Length(std::string_view rest) {
  const std::size_t length = utf8::wellFormedLength(rest);
  return length == 0 ? 1 : length;
}

// Rejected code page 932 bytes: a lead byte with a trail byte from 0x80 up forms one unmapped
// character; an ASCII or out-of-range byte after a lead byte starts the next character, so text
// after a damaged character survives.
std::size_t rejectedCp932Length(std::string_view rest) {
  const unsigned char lead = byteAt(rest, 0);
  const bool is_lead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  if (!is_lead || rest.size() < 2) return 1;
  const unsigned char trail = byteAt(rest, 1);
  return trail >= 0x80 && trail <= 0xFC ? 2 : 1;
}

// glibc drops the Unicode tag characters U+E0000..U+E007F (UTF-8 F3 A0 80..81 xx) silently
// instead of rejecting them; they have no code page 932 form and must count one byte each.
std::size_t findTagCharacter(std::string_view text, std::size_t from) {
  for (std::size_t i = text.find('\xF3', from); i != std::string_view::npos;
       i = text.find('\xF3', i + 1)) {
    if (i + 3 < text.size() && byteAt(text, i + 1) == 0xA0 &&
        (byteAt(text, i + 2) == 0x80 || byteAt(text, i + 2) == 0x81) &&
        (byteAt(text, i + 3) & 0xC0) == 0x80) {
      return i;
    }
  }
  return std::string_view::npos;
}

constexpr std::size_t kTagCharacterLength = 4;

}  // namespace

IconvCodePage932::IconvCodePage932() : to_cp932_("CP932", "UTF-8"), to_utf8_("UTF-8", "CP932") {}

std::string IconvCodePage932::encode(std::string_view utf8) const {
  std::lock_guard lock(mutex_);
  // Every UTF-8 sequence yields at most as many bytes as it has.
  Output output(utf8.size());
  std::size_t begin = 0;
  for (std::size_t tag = findTagCharacter(utf8, 0); tag != std::string_view::npos;
       tag = findTagCharacter(utf8, begin)) {
    convertAll(to_cp932_, utf8.substr(begin, tag - begin), kEncodeReplacement, rejectedUtf8Length,
               output);
    output.append(kEncodeReplacement);
    begin = tag + kTagCharacterLength;
  }
  convertAll(to_cp932_, utf8.substr(begin), kEncodeReplacement, rejectedUtf8Length, output);
  return std::move(output).finish();
}

std::string IconvCodePage932::decode(std::string_view cp932) const {
  std::lock_guard lock(mutex_);
  // A byte yields at most three bytes of UTF-8 (half-width katakana, U+FFFD).
  Output output(cp932.size() * 3);
  convertAll(to_utf8_, cp932, kDecodeReplacement, rejectedCp932Length, output);
  return std::move(output).finish();
}

}  // namespace norvel
