#include "xlsx/xml_stream.h"

#include <expat.h>

#include <cctype>
#include <new>

#include "platform/database.h"
#include "text/ascii_case.h"
#include "xlsx/zip_archive.h"

namespace norvel::xlsx {

namespace {

constexpr int kChunkSize = 256 * 1024;

}  // namespace

XmlStream::XmlStream(const std::string& part_name)
    : part_(part_name), parser_(XML_ParserCreate(nullptr), &XML_ParserFree) {
  if (!parser_) throw std::bad_alloc();
  XML_SetUserData(parser_.get(), this);
  XML_SetElementHandler(parser_.get(), &XmlStream::onStart, &XmlStream::onEnd);
  XML_SetCharacterDataHandler(parser_.get(), &XmlStream::onText);
  XML_SetXmlDeclHandler(parser_.get(), &XmlStream::onDeclaration);
  XML_SetEntityDeclHandler(parser_.get(), &XmlStream::onEntity);
}

XmlStream::~XmlStream() = default;

void XmlStream::parse(EntryReader& entry) {
  bool first = true;
  for (;;) {
    void* buffer = XML_GetBuffer(parser_.get(), kChunkSize);
    if (buffer == nullptr) throw std::bad_alloc();
    const std::size_t n = entry.read(static_cast<char*>(buffer), kChunkSize);
    if (first && n >= 2) {
      // UTF-16: byte positions in it do not take UTF-8 text.
      const auto* bytes = static_cast<const unsigned char*>(buffer);
      if (bytes[0] == 0 || bytes[1] == 0 || (bytes[0] == 0xFF && bytes[1] == 0xFE) ||
          (bytes[0] == 0xFE && bytes[1] == 0xFF)) {
        utf8_ = false;
      }
    }
    first = false;
    finish(XML_ParseBuffer(parser_.get(), static_cast<int>(n), n == 0));
    if (n == 0) return;
  }
}

void XmlStream::parse(std::string_view xml, std::uint64_t base) {
  base_ = base;
  finish(XML_Parse(parser_.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE));
}

void XmlStream::finish(int status) {
  if (failure_) std::rethrow_exception(failure_);
  if (status != XML_STATUS_OK) {
    throw DatabaseError(part_ + " は整形式の XML ではありません: " +
                        XML_ErrorString(XML_GetErrorCode(parser_.get())) + "（バイト位置 " +
                        std::to_string(base_ + XML_GetCurrentByteIndex(parser_.get())) + "）");
  }
}

std::uint64_t XmlStream::tagBegin() const {
  return base_ + static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser_.get()));
}

std::uint64_t XmlStream::tagLength() const {
  return static_cast<std::uint64_t>(XML_GetCurrentByteCount(parser_.get()));
}

// Expat is C: an exception must not pass through it, so it waits until the parser returns.
template <typename F>
void XmlStream::guarded(F&& handle) {
  if (failure_) return;
  try {
    handle();
  } catch (...) {
    failure_ = std::current_exception();
    XML_StopParser(parser_.get(), XML_FALSE);
  }
}

void XmlStream::onStart(void* self, const char* name, const char** attributes) {
  auto* stream = static_cast<XmlStream*>(self);
  stream->guarded([&] {
    ++stream->elements_;
    stream->startElement(name, attributes);
  });
}

void XmlStream::onEnd(void* self, const char*) {
  auto* stream = static_cast<XmlStream*>(self);
  stream->guarded([&] { stream->endElement(); });
}

void XmlStream::onText(void* self, const char* text, int length) {
  auto* stream = static_cast<XmlStream*>(self);
  if (stream->text_ != nullptr) stream->text_->append(text, static_cast<std::size_t>(length));
}

void XmlStream::onDeclaration(void* self, const char*, const char* encoding, int) {
  if (encoding == nullptr) return;
  const std::string name = asciiLowercase(encoding);
  if (name != "utf-8" && name != "utf8") static_cast<XmlStream*>(self)->utf8_ = false;
}

void XmlStream::onEntity(void* self, const char*, int, const char*, int, const char*, const char*,
                         const char*, const char*) {
  auto* stream = static_cast<XmlStream*>(self);
  stream->guarded([&] {
    throw DatabaseError(stream->part_ +
                        " は XML エンティティを宣言しています。ブックのパーツでは使われないため、"
                        "読み取れません");
  });
}

}  // namespace norvel::xlsx
