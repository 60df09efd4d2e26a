#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "xls/biff_records.h"
#include "xls/biff_text.h"
#include "xlsx/cell_formats.h"
#include "xlsx/sheet_cells.h"

namespace norvel::xls {

// Where a worksheet's cell stands: its record, and the cell's place in a MULRK or MULBLANK.
inline std::uint32_t cellKey(std::uint32_t row, std::uint32_t column) {
  return row << 8 | column;
}

struct XlsSheet {
  std::string name;
  std::size_t bound_sheet = 0;                                  // the BOUNDSHEET8 record
  std::size_t bof = 0;                                          // the substream's first record
  std::unordered_map<std::uint32_t, std::size_t> cell_records;  // by cellKey, 0-based
  std::unordered_map<std::uint32_t, std::size_t> row_records;   // ROW records, by 0-based row
};

// The Workbook stream of an Excel 97-2003 file (BIFF8), split into records.
class XlsBook {
 public:
  // Reads the workbook globals. Throws DatabaseError for an encrypted workbook, BIFF5 and
  // older, and anything unreadable.
  explicit XlsBook(std::string stream);
  XlsBook(const XlsBook&) = delete;
  XlsBook& operator=(const XlsBook&) = delete;

  const std::string& stream() const { return stream_; }
  const std::vector<Record>& records() const { return records_; }
  const std::vector<XlsSheet>& sheets() const { return sheets_; }
  const SharedStringTable& sharedStrings() const { return shared_strings_; }
  const xlsx::CellFormats& formats() const { return formats_; }
  // The SST record and the CONTINUE records after it, when there is a table.
  const std::vector<std::size_t>& sharedStringRecords() const { return sst_records_; }
  std::optional<std::size_t> extSstRecord() const { return ext_sst_; }

  // The cells of one worksheet; fills the sheet's cell_records. Throws DatabaseError naming
  // the sheet or the cell.
  xlsx::SheetCells readSheet(std::size_t sheet);

 private:
  void readGlobals();

  std::string stream_;
  std::vector<Record> records_;
  std::vector<XlsSheet> sheets_;
  SharedStringTable shared_strings_;
  std::vector<std::size_t> sst_records_;
  std::optional<std::size_t> ext_sst_;
  xlsx::CellFormats formats_;
};

}  // namespace norvel::xls
