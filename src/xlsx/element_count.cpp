#include "xlsx/element_count.h"

#include <algorithm>
#include <string>

#include "platform/database.h"

namespace norvel::xlsx {

namespace {

bool endsName(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

}  // namespace

void checkElementCount(std::string_view part_name, std::string_view xml,
                       std::initializer_list<std::string_view> item_names,
                       std::string_view items_described_as) {
  std::size_t elements = 0;
  std::size_t items = 0;
  for (auto at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
    const std::size_t begin = at + 1;
    if (begin >= xml.size() || xml[begin] == '/' || xml[begin] == '!' || xml[begin] == '?') {
      continue;
    }
    std::size_t end = begin;
    while (end < xml.size() && !endsName(xml[end])) ++end;
    std::string_view name = xml.substr(begin, end - begin);
    if (auto colon = name.find(':'); colon != std::string_view::npos) {
      name.remove_prefix(colon + 1);
    }
    ++elements;
    if (std::find(item_names.begin(), item_names.end(), name) != item_names.end()) ++items;
  }
  checkElementTotals(part_name, elements, items, items_described_as);
}

void checkElementTotals(std::string_view part_name, std::size_t elements, std::size_t items,
                        std::string_view items_described_as) {
  if (elements > kElementAllowance + kElementsPerItem * items) {
    throw DatabaseError(std::string(part_name) + " には XML 要素が " + std::to_string(elements) +
                        " 個あり、" + std::string(items_described_as) + " " +
                        std::to_string(items) +
                        " 個に対してブックのパーツとしては多すぎるため、読み取れません");
  }
}

}  // namespace norvel::xlsx
