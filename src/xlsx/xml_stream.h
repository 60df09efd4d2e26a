#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

struct XML_ParserStruct;

namespace norvel::xlsx {

class EntryReader;

// A part parsed by expat as it inflates, so that neither the part nor a tree of it is ever
// held whole: the derived class sees each element as it starts and ends. Entity declarations
// are refused (a workbook never has any, and the parser would expand them).
class XmlStream {
 public:
  explicit XmlStream(const std::string& part_name);
  virtual ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // Parses the whole entry. Throws DatabaseError naming the part, and what a handler threw.
  void parse(EntryReader& entry);
  // Parses xml as a whole document whose first byte stands at base in the part.
  void parse(std::string_view xml, std::uint64_t base);

 protected:
  // name: as written, prefix included; attributes: name, value, …, nullptr.
  virtual void startElement(const char* name, const char** attributes) = 0;
  virtual void endElement() = 0;

  // Where the current start or end tag stands in the part, and its length: 0 for the end of
  // an element written as <x/>, whose start tag is the whole element.
  std::uint64_t tagBegin() const;
  std::uint64_t tagLength() const;

  const std::string& partName() const { return part_; }
  std::size_t elements() const { return elements_; }
  // Whether the part is UTF-8, as far as its first bytes and its declaration tell.
  bool utf8() const { return utf8_; }

  // The text of the current element goes here while it is not null.
  std::string* text_ = nullptr;

 private:
  static void onStart(void* self, const char* name, const char** attributes);
  static void onEnd(void* self, const char* name);
  static void onText(void* self, const char* text, int length);
  static void onDeclaration(void* self, const char* version, const char* encoding, int);
  static void onEntity(void* self, const char*, int, const char*, int, const char*, const char*,
                       const char*, const char*);
  template <typename F>
  void guarded(F&& handle);
  void finish(int status);

  const std::string& part_;
  std::unique_ptr<XML_ParserStruct, void (*)(XML_ParserStruct*)> parser_;
  std::exception_ptr failure_;
  std::uint64_t base_ = 0;
  std::size_t elements_ = 0;
  bool utf8_ = true;
};

// "c" for "x:c" and for "c": prefixes vary between producers.
inline std::string_view localPart(std::string_view qualified_name) {
  const auto colon = qualified_name.find(':');
  return colon == std::string_view::npos ? qualified_name : qualified_name.substr(colon + 1);
}

}  // namespace norvel::xlsx
