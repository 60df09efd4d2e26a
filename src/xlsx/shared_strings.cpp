#include "xlsx/shared_strings.h"

#include "xlsx/element_count.h"
#include "xlsx/ooxml_text.h"
#include "xlsx/xml_part.h"

namespace norvel::xlsx {

std::string joinedText(pugi::xml_node string_item) {
  std::string text;
  for (auto child = string_item.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    const auto name = localName(child);
    if (name == "t") {
      text += child.text().get();
    } else if (name == "r") {
      for (auto t = firstChild(child, "t"); t; t = nextSibling(t, "t")) text += t.text().get();
    }
  }
  return decodeCellText(text);
}

std::vector<std::string> readSharedStrings(const std::string& part_name, const std::string& xml) {
  checkElementCount(part_name, xml, {"si"}, "strings");
  XmlPart part(part_name, xml);
  std::vector<std::string> strings;
  for (auto si = firstChild(part.root(), "si"); si; si = nextSibling(si, "si")) {
    strings.push_back(joinedText(si));
  }
  return strings;
}

}  // namespace norvel::xlsx
