#include "xls/xls_format.h"

#include "platform/database.h"
#include "xls/xls_edit.h"

namespace norvel::xls {

void XlsFormat::open(const std::string& bytes) {
  auto file = std::make_unique<CompoundFile>(bytes);
  const auto stream = file->findStream("Workbook");
  if (!stream) {
    if (file->findStream("Book")) {
      throw DatabaseError(
          "Excel 5.0/95 以前の形式のブックには対応していません。Excel で開いて Excel 97-2003 "
          "ブック（.xls）か Excel ブック（.xlsx）として保存してください");
    }
    throw DatabaseError(
        "Excel ブックではありません（OLE 複合ドキュメントに Workbook ストリームが"
        "ありません）");
  }
  book_ = std::make_unique<XlsBook>(file->contents(*stream));
  file_ = std::move(file);
  stream_ = *stream;
}

void XlsFormat::readSheets(const std::string& bytes, const SheetVisitor& visit) {
  open(bytes);
  for (std::size_t i = 0; i < book_->sheets().size(); ++i) {
    const xlsx::SheetCells cells = book_->readSheet(i);
    visit(book_->sheets()[i].name, cells);
  }
}

std::string XlsFormat::withEdits(const std::string& /*bytes*/,
                                 std::map<std::size_t, std::vector<xlsx::CellEdit>> edits) {
  pending_ = file_->withContents(stream_, editWorkbookStream(*book_, edits));
  return pending_;
}

// The records moved: the next save starts from what the file now holds.
void XlsFormat::saved() {
  const std::string bytes = std::move(pending_);
  pending_.clear();
  open(bytes);
  for (std::size_t i = 0; i < book_->sheets().size(); ++i) book_->readSheet(i);
}

}  // namespace norvel::xls
