#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "xlsx/cell_formats.h"
#include "xlsx/workbook_format.h"
#include "xlsx/workbook_parts.h"
#include "xlsx/zip_archive.h"

namespace norvel::xlsx {

// An .xlsx package: worksheet parts are patched where cells change, every other part is kept.
class XlsxFormat final : public WorkbookFormat {
 public:
  explicit XlsxFormat(InflateLimits limits = {}) : limits_(limits) {}

  void readSheets(const std::string& bytes, const SheetVisitor& visit) override;
  std::string withEdits(const std::string& bytes,
                        std::map<std::size_t, std::vector<CellEdit>> edits) override;
  void saved() override;

 private:
  InflateLimits limits_;
  WorkbookParts parts_;
  CellFormats formats_;
  std::vector<std::string> shared_strings_;
  // Where the rows stand in each part as the file holds it; gone once the part is rewritten.
  std::vector<std::optional<SheetIndex>> indexes_;
  std::set<std::size_t> rewritten_;
  bool has_formulas_ = false;
};

}  // namespace norvel::xlsx
