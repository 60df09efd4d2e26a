#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace norvel::xlsx {

// One parsed XML part of the package. Namespace prefixes vary between producers ("x:c" and
// "c" are the same element), so lookups go by local name.
class XmlPart {
 public:
  // Throws DatabaseError naming the part and the parser's description.
  XmlPart(std::string_view part_name, const std::string& xml);
  XmlPart(const XmlPart&) = delete;
  XmlPart& operator=(const XmlPart&) = delete;

  pugi::xml_node root() const { return document_.document_element(); }

 private:
  pugi::xml_document document_;
};

std::string_view localName(const char* qualified_name);
inline std::string_view localName(pugi::xml_node node) {
  return localName(node.name());
}
inline std::string_view localName(pugi::xml_attribute a) {
  return localName(a.name());
}

// "x:" for an element named "x:c", "" for "c".
std::string prefixOf(pugi::xml_node node);

pugi::xml_node firstChild(pugi::xml_node parent, std::string_view local_name);
pugi::xml_node nextSibling(pugi::xml_node node, std::string_view local_name);
pugi::xml_attribute attribute(pugi::xml_node node, std::string_view local_name);

// The attributes of an element as they would be written again, each preceded by a blank.
std::string attributesText(pugi::xml_node node,
                           std::initializer_list<std::string_view> left_out = {});

// Where an element stands in the part's original bytes, from its '<' to just past its end
// tag. Lets a writer replace one element and keep every other byte of the part.
struct ByteSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
};
// Throws DatabaseError when the element cannot be located exactly.
ByteSpan elementSpan(const std::string& xml, pugi::xml_node element);

}  // namespace norvel::xlsx
