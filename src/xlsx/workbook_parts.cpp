#include "xlsx/workbook_parts.h"

#include <map>

#include "platform/database.h"
#include "xlsx/element_count.h"
#include "xlsx/xml_part.h"
#include "xlsx/zip_archive.h"

namespace norvel::xlsx {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Part names in relationship targets are URIs: "%20" stands for a blank.
std::string percentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
        hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

struct Relationship {
  std::string type;
  std::string target;  // resolved zip entry
};

std::map<std::string, Relationship> readRelationships(const ZipArchive& archive,
                                                      const std::string& source_part) {
  std::map<std::string, Relationship> by_id;
  const std::string rels_part = relationshipsPartOf(source_part);
  auto xml = archive.readIfPresent(rels_part);
  if (!xml) return by_id;
  checkElementCount(rels_part, *xml, {"Relationship"}, "リレーションシップ");
  XmlPart rels(rels_part, *xml);
  for (auto r = firstChild(rels.root(), "Relationship"); r; r = nextSibling(r, "Relationship")) {
    if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
    by_id[r.attribute("Id").value()] = {r.attribute("Type").value(),
                                        resolveTarget(source_part, r.attribute("Target").value())};
  }
  return by_id;
}

}  // namespace

std::string relationshipsPartOf(std::string_view part) {
  auto slash = part.rfind('/');
  std::string_view folder = slash == std::string_view::npos ? "" : part.substr(0, slash + 1);
  std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
  return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

std::string resolveTarget(std::string_view source_part, std::string_view target) {
  std::string path = percentDecoded(target);
  if (auto hash = path.find('#'); hash != std::string::npos) path.erase(hash);
  if (!path.empty() && path.front() == '/') {
    path.erase(0, 1);
  } else {
    auto slash = source_part.rfind('/');
    if (slash != std::string_view::npos)
      path = std::string(source_part.substr(0, slash + 1)) + path;
  }
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string resolved;
  for (const auto& segment : segments) {
    if (!resolved.empty()) resolved += '/';
    resolved += segment;
  }
  return resolved;
}

bool isRelationshipType(std::string_view type, std::string_view kind) {
  auto slash = type.rfind('/');
  return slash != std::string_view::npos && type.substr(slash + 1) == kind;
}

WorkbookParts readWorkbookParts(const ZipArchive& archive) {
  WorkbookParts parts;
  for (const auto& [id, rel] : readRelationships(archive, "")) {
    if (isRelationshipType(rel.type, "officeDocument")) parts.workbook = rel.target;
  }
  if (parts.workbook.empty()) parts.workbook = "xl/workbook.xml";
  if (!archive.contains(parts.workbook)) {
    if (archive.contains("xl/workbook.bin")) {
      throw DatabaseError(
          "Excel バイナリブック（.xlsb）は開けません。Excel で Excel ブック（.xlsx）として保存し、"
          "そのファイルに接続してください");
    }
    throw DatabaseError("ZIP ファイルですが、Excel ブックではありません（" + parts.workbook +
                        " がありません）");
  }
  parts.relationships = relationshipsPartOf(parts.workbook);
  const auto relationships = readRelationships(archive, parts.workbook);
  for (const auto& [id, rel] : relationships) {
    if (isRelationshipType(rel.type, "sharedStrings")) parts.shared_strings = rel.target;
    if (isRelationshipType(rel.type, "styles")) parts.styles = rel.target;
  }

  const std::string workbook_xml = archive.read(parts.workbook);
  checkElementCount(parts.workbook, workbook_xml, {"sheet", "definedName"}, "シートと名前");
  XmlPart workbook(parts.workbook, workbook_xml);
  auto sheets = firstChild(workbook.root(), "sheets");
  for (auto sheet = firstChild(sheets, "sheet"); sheet; sheet = nextSibling(sheet, "sheet")) {
    // r:id: the relationships namespace's prefix differs between producers.
    std::string id;
    for (auto a = sheet.first_attribute(); a; a = a.next_attribute()) {
      if (localName(a) == "id" && std::string_view(a.name()) != "id") id = a.value();
    }
    auto rel = relationships.find(id);
    if (rel == relationships.end()) {
      throw DatabaseError("シート「" + std::string(sheet.attribute("name").value()) +
                          "」のパーツがパッケージにありません");
    }
    // Chart sheets and dialog sheets hold no cells.
    if (!isRelationshipType(rel->second.type, "worksheet")) continue;
    if (!archive.contains(rel->second.target)) {
      throw DatabaseError("シート「" + std::string(sheet.attribute("name").value()) +
                          "」のパーツ " + rel->second.target + " がパッケージにありません");
    }
    parts.sheets.push_back({sheet.attribute("name").value(), rel->second.target});
  }
  return parts;
}

}  // namespace norvel::xlsx
