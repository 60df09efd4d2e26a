#include "xlsx/xlsx_format.h"

#include "xlsx/shared_strings.h"
#include "xlsx/sheet_patch.h"
#include "xlsx/spliced_part.h"
#include "xlsx/workbook_fixups.h"

namespace norvel::xlsx {

void XlsxFormat::readSheets(const std::string& bytes, const SheetVisitor& visit) {
  ZipArchive archive(bytes, limits_);
  parts_ = readWorkbookParts(archive);
  if (!parts_.shared_strings.empty() && archive.contains(parts_.shared_strings)) {
    shared_strings_ =
        readSharedStrings(parts_.shared_strings, *archive.open(parts_.shared_strings));
  }
  if (!parts_.styles.empty() && archive.contains(parts_.styles)) {
    formats_ = CellFormats::read(parts_.styles, *archive.open(parts_.styles));
  }
  for (const auto& sheet : parts_.sheets) {
    SheetCells cells = readSheetCells(sheet.name, sheet.part, *archive.open(sheet.part),
                                      shared_strings_, formats_);
    has_formulas_ = has_formulas_ || cells.has_formulas;
    indexes_.emplace_back(std::move(cells.index));
    visit(sheet.name, cells);
  }
}

std::string XlsxFormat::withEdits(const std::string& bytes,
                                  std::map<std::size_t, std::vector<CellEdit>> edits) {
  // The worksheets are read from the original while the new archive is written, one piece at
  // a time.
  const ZipArchive original(bytes, limits_);
  ZipArchive archive(bytes, limits_);
  rewritten_.clear();
  for (auto& [sheet, sheet_edits] : edits) {
    const std::string& part = parts_.sheets.at(sheet).part;
    const auto& index = indexes_.at(sheet);
    auto patch =
        index ? planSheetPatch(part, *original.open(part), *index, std::move(sheet_edits), formats_)
              : planSheetPatch(part, *original.open(part), std::move(sheet_edits), formats_);
    archive.replace(part, std::make_unique<SplicedPart>(original, part, std::move(patch.splices)));
    rewritten_.insert(sheet);
  }
  if (has_formulas_) {
    if (auto workbook = requestFullCalculation(parts_.workbook, archive.read(parts_.workbook))) {
      archive.replace(parts_.workbook, *workbook);
    }
  }
  return archive.commitToBytes();
}

void XlsxFormat::saved() {
  for (const std::size_t sheet : rewritten_) indexes_[sheet].reset();
  rewritten_.clear();
}

}  // namespace norvel::xlsx
