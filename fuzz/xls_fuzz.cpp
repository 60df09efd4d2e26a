// Feeds arbitrary bytes to the .xls readers: a compound file (or, without its signature, a
// bare Workbook stream) read into cells, then one cell of each sheet edited and the file
// written and read again.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "xls/compound_file.h"
#include "xls/xls_book.h"
#include "xls/xls_edit.h"

namespace {

void editEverySheet(norvel::xls::XlsBook& book) {
  std::map<std::size_t, std::vector<norvel::xlsx::CellEdit>> edits;
  for (std::size_t i = 0; i < book.sheets().size(); ++i) {
    const auto cells = book.readSheet(i);
    if (cells.cells.empty()) continue;
    norvel::xlsx::CellEdit edit;
    edit.position = cells.cells.front().position;
    edit.value.type = norvel::xlsx::CellValue::Type::text;
    edit.value.text = "100-0001";
    edits[i].push_back(edit);
  }
  const std::string stream = norvel::xls::editWorkbookStream(book, edits);
  norvel::xls::XlsBook again(stream);
  for (std::size_t i = 0; i < again.sheets().size(); ++i) again.readSheet(i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    if (bytes.starts_with(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))) {
      const norvel::xls::CompoundFile file(bytes);
      const auto stream = file.findStream("Workbook");
      if (!stream) return 0;
      norvel::xls::XlsBook book(file.contents(*stream));
      editEverySheet(book);
      const norvel::xls::CompoundFile rewritten(file.withContents(*stream, book.stream()));
      if (rewritten.contents(*stream) != book.stream()) __builtin_trap();
    } else {
      norvel::xls::XlsBook book(bytes);
      editEverySheet(book);
    }
  } catch (const norvel::DatabaseError&) {
  }
  return 0;
}
