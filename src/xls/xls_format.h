#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "xls/compound_file.h"
#include "xls/xls_book.h"
#include "xlsx/workbook_format.h"

namespace norvel::xls {

// An Excel 97-2003 workbook: BIFF8 records in the Workbook stream of a compound file. Edited
// cells are written into that stream; the file's other streams and storages (summary
// information, a VBA project, embedded objects) keep their bytes.
class XlsFormat final : public xlsx::WorkbookFormat {
 public:
  void readSheets(const std::string& bytes, const SheetVisitor& visit) override;
  std::string withEdits(const std::string& bytes,
                        std::map<std::size_t, std::vector<xlsx::CellEdit>> edits) override;
  void saved() override;

 private:
  void open(const std::string& bytes);

  std::unique_ptr<CompoundFile> file_;
  std::size_t stream_ = 0;
  std::unique_ptr<XlsBook> book_;
  std::string pending_;
};

}  // namespace norvel::xls
