#include "xlsx/xml_part.h"

#include <algorithm>

#include "platform/database.h"
#include "xlsx/ooxml_text.h"

namespace norvel::xlsx {

XmlPart::XmlPart(std::string_view part_name, const std::string& xml) {
  // A <t> holding only blanks is a value, so single white-space text stays.
  const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single;
  auto result = document_.load_buffer(xml.data(), xml.size(), options, pugi::encoding_auto);
  if (!result) {
    throw DatabaseError(std::string(part_name) +
                        " は整形式の XML ではありません: " + result.description() +
                        "（バイト位置 " + std::to_string(result.offset) + "）");
  }
  if (!document_.document_element()) {
    throw DatabaseError(std::string(part_name) + " にルート要素がありません");
  }
}

std::string_view localName(const char* qualified_name) {
  std::string_view name(qualified_name);
  auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string prefixOf(pugi::xml_node node) {
  std::string_view name(node.name());
  auto colon = name.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

pugi::xml_node firstChild(pugi::xml_node parent, std::string_view local_name) {
  for (auto child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element && localName(child) == local_name) return child;
  }
  return {};
}

pugi::xml_node nextSibling(pugi::xml_node node, std::string_view local_name) {
  for (auto sibling = node.next_sibling(); sibling; sibling = sibling.next_sibling()) {
    if (sibling.type() == pugi::node_element && localName(sibling) == local_name) return sibling;
  }
  return {};
}

pugi::xml_attribute attribute(pugi::xml_node node, std::string_view local_name) {
  for (auto a = node.first_attribute(); a; a = a.next_attribute()) {
    if (localName(a) == local_name) return a;
  }
  return {};
}

std::string attributesText(pugi::xml_node node, std::initializer_list<std::string_view> left_out) {
  std::string text;
  for (auto a = node.first_attribute(); a; a = a.next_attribute()) {
    if (std::find(left_out.begin(), left_out.end(), localName(a)) != left_out.end()) continue;
    text += ' ';
    text += a.name();
    text += "=\"";
    text += escapeXmlAttribute(a.value());
    text += '"';
  }
  return text;
}

ByteSpan elementSpan(const std::string& xml, pugi::xml_node element) {
  const std::string_view name(element.name());
  const auto fail = [&]() -> ByteSpan {
    throw DatabaseError("要素 <" + std::string(name) +
                        "> の位置をパーツ内で特定できませんでした。何も書き込んでいません");
  };
  // pugixml reports where the element's name starts in the buffer it parsed, which is the
  // part itself as long as no encoding conversion took place.
  const auto offset = element.offset_debug();
  if (offset < 1 || static_cast<std::size_t>(offset) + name.size() > xml.size()) return fail();
  const auto name_begin = static_cast<std::size_t>(offset);
  if (xml[name_begin - 1] != '<' || xml.compare(name_begin, name.size(), name) != 0) return fail();

  std::size_t i = name_begin + name.size();
  char quote = 0;
  for (; i < xml.size(); ++i) {
    char c = xml[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      break;
    }
  }
  if (i >= xml.size()) return fail();
  if (xml[i - 1] == '/') return {name_begin - 1, i + 1};

  const std::string closing = "</" + std::string(name);
  for (std::size_t pos = xml.find(closing, i); pos != std::string::npos;
       pos = xml.find(closing, pos + 1)) {
    std::size_t k = pos + closing.size();
    while (k < xml.size() &&
           (xml[k] == ' ' || xml[k] == '\t' || xml[k] == '\r' || xml[k] == '\n')) {
      ++k;
    }
    if (k < xml.size() && xml[k] == '>') return {name_begin - 1, k + 1};
  }
  return fail();
}

}  // namespace norvel::xlsx
