#include "xlsx/workbook_fixups.h"

#include <array>
#include <string_view>

#include "xlsx/workbook_parts.h"
#include "xlsx/xml_part.h"
#include "xlsx/zip_archive.h"

namespace norvel::xlsx {

namespace {

// The elements that follow <calcPr> in a workbook, in the schema's order.
constexpr std::array<std::string_view, 9> kAfterCalcPr = {
    "oleSize",       "customWorkbookViews", "pivotCaches",       "smartTagPr", "smartTagTypes",
    "webPublishing", "fileRecoveryPr",      "webPublishObjects", "extLst"};

std::string withoutSpan(const std::string& xml, ByteSpan span) {
  return xml.substr(0, span.begin) + xml.substr(span.end);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

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

void dropCalcChain(ZipArchive& archive, const WorkbookParts& parts) {
  if (parts.calc_chain.empty()) return;
  archive.remove(parts.calc_chain);

  if (auto rels_xml = archive.readIfPresent(parts.relationships)) {
    XmlPart rels(parts.relationships, *rels_xml);
    for (auto r = firstChild(rels.root(), "Relationship"); r; r = nextSibling(r, "Relationship")) {
      if (isRelationshipType(r.attribute("Type").value(), "calcChain")) {
        archive.replace(parts.relationships, withoutSpan(*rels_xml, elementSpan(*rels_xml, r)));
        break;
      }
    }
  }

  const std::string content_types_part = "[Content_Types].xml";
  if (auto types_xml = archive.readIfPresent(content_types_part)) {
    XmlPart types(content_types_part, *types_xml);
    const std::string part_name = "/" + parts.calc_chain;
    for (auto o = firstChild(types.root(), "Override"); o; o = nextSibling(o, "Override")) {
      if (sameIgnoringCase(o.attribute("PartName").value(), part_name)) {
        archive.replace(content_types_part, withoutSpan(*types_xml, elementSpan(*types_xml, o)));
        break;
      }
    }
  }
}

}  // namespace norvel::xlsx
