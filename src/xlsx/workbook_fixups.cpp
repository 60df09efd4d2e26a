#include "xlsx/workbook_fixups.h"

#include <array>
#include <string_view>

#include "xlsx/xml_part.h"

namespace norvel::xlsx {

namespace {

// The elements that follow <calcPr> in a workbook, in the schema's order.
constexpr std::array<std::string_view, 9> kAfterCalcPr = {
    "oleSize",       "customWorkbookViews", "pivotCaches",       "smartTagPr", "smartTagTypes",
    "webPublishing", "fileRecoveryPr",      "webPublishObjects", "extLst"};

}  // namespace

std::optional<std::string> requestFullCalculation(const std::string& part_name,
                                                  const std::string& workbook_xml) {
  XmlPart part(part_name, workbook_xml);
  const auto root = part.root();
  const std::string prefix = prefixOf(root);
  if (auto calc = firstChild(root, "calcPr")) {
    auto flag = calc.attribute("fullCalcOnLoad");
    const std::string_view value = flag.value();
    if (value == "1" || value == "true") return std::nullopt;
    const std::string attributes =
        attributesText(calc, {"fullCalcOnLoad"}) + " fullCalcOnLoad=\"1\"";
    const auto span = elementSpan(workbook_xml, calc);
    // <calcPr> has no content of its own.
    return workbook_xml.substr(0, span.begin) + "<" + calc.name() + attributes + "/>" +
           workbook_xml.substr(span.end);
  }
  const std::string element = "<" + prefix + "calcPr fullCalcOnLoad=\"1\"/>";
  for (auto child = root.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    for (auto follower : kAfterCalcPr) {
      if (localName(child) == follower) {
        const auto at = elementSpan(workbook_xml, child).begin;
        return workbook_xml.substr(0, at) + element + workbook_xml.substr(at);
      }
    }
  }
  const auto span = elementSpan(workbook_xml, root);
  const auto closing = workbook_xml.rfind("</", span.end);
  return workbook_xml.substr(0, closing) + element + workbook_xml.substr(closing);
}

}  // namespace norvel::xlsx
