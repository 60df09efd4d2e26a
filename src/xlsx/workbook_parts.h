#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace norvel::xlsx {

class ZipArchive;

struct SheetPart {
  std::string name;  // as the workbook names the sheet
  std::string part;  // zip entry of its worksheet XML
};

// Where the workbook's parts are, found through the package relationships.
struct WorkbookParts {
  std::string workbook;           // e.g. "xl/workbook.xml"
  std::string relationships;      // the workbook's relationships part
  std::vector<SheetPart> sheets;  // worksheets in the workbook's order
  std::string shared_strings;     // empty when there is none
  std::string styles;             // empty when there is none
};

// Throws DatabaseError when the package is not an .xlsx workbook.
WorkbookParts readWorkbookParts(const ZipArchive& archive);

// The zip entry a relationship target names, relative to the part that holds the
// relationship ("worksheets/sheet1.xml") or absolute ("/xl/worksheets/sheet1.xml").
std::string resolveTarget(std::string_view source_part, std::string_view target);

// "xl/workbook.xml" → "xl/_rels/workbook.xml.rels".
std::string relationshipsPartOf(std::string_view part);

// Whether a relationship's Type URI names the given kind ("worksheet", "sharedStrings", …),
// in the transitional or the strict namespace.
bool isRelationshipType(std::string_view type, std::string_view kind);

}  // namespace norvel::xlsx
