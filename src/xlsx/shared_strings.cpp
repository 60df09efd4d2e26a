#include "xlsx/shared_strings.h"

#include <cstdint>
#include <string_view>

#include "xlsx/element_count.h"
#include "xlsx/ooxml_text.h"
#include "xlsx/xml_stream.h"

namespace norvel::xlsx {

namespace {

class SharedStringReader final : public XmlStream {
 public:
  using XmlStream::XmlStream;

  std::vector<std::string> read(EntryReader& part) {
    parse(part);
    checkElementTotals(partName(), elements(), items_, "文字列");
    return std::move(strings_);
  }

 private:
  enum class Role : std::uint8_t { other, root, item, text, run, runText };

  void startElement(const char* name, const char**) override {
    const std::string_view local = localPart(name);
    const Role parent = roles_.empty() ? Role::other : roles_.back();
    Role role = roles_.empty() ? Role::root : Role::other;
    if (local == "si") ++items_;
    if (parent == Role::root && local == "si") {
      role = Role::item;
      item_text_.clear();
    } else if (parent == Role::item && local == "t") {
      role = Role::text;
    } else if (parent == Role::item && local == "r") {
      role = Role::run;
    } else if (parent == Role::run && local == "t") {
      role = Role::runText;
    }
    text_ = role == Role::text || role == Role::runText ? &item_text_ : nullptr;
    roles_.push_back(role);
  }

  void endElement() override {
    const Role role = roles_.back();
    roles_.pop_back();
    text_ = nullptr;
    if (role == Role::item) strings_.push_back(decodeCellText(item_text_));
  }

  std::vector<Role> roles_;
  std::string item_text_;
  std::size_t items_ = 0;
  std::vector<std::string> strings_;
};

}  // namespace

std::vector<std::string> readSharedStrings(const std::string& part_name, EntryReader& part) {
  return SharedStringReader(part_name).read(part);
}

}  // namespace norvel::xlsx
