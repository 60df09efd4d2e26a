#include <tuple>

#include "workbook_test_support.h"
#include "xlsx/workbook_connection.h"
#include "xlsx/workbook_file.h"

namespace norvel::test {
namespace {

using ::testing::AllOf;

const std::string kHead =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const std::string kTail = "</sheetData></worksheet>";

// Replaces one entry with its data deflated, as a bomb is.
void writeDeflated(const std::string& path, const std::string& name, const std::string& data) {
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), 0, &error);
  zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
  zip_set_file_compression(zip, zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE),
                           ZIP_CM_DEFLATE, 9);
  zip_close(zip);
}

// Sets the inflated size an entry's headers state, in the local and the central header.
std::string withStatedSize(std::string bytes, const std::string& name, std::uint32_t size) {
  const auto patch = [&](const std::string& signature, std::size_t size_at, std::size_t name_at) {
    for (auto at = bytes.find(signature); at != std::string::npos;
         at = bytes.find(signature, at + 1)) {
      if (bytes.compare(at + name_at, name.size(), name) != 0) continue;
      for (int i = 0; i < 4; ++i) bytes[at + size_at + i] = static_cast<char>(size >> (8 * i));
    }
  };
  patch(std::string("PK\x03\x04", 4), 22, 30);
  patch(std::string("PK\x01\x02", 4), 24, 46);
  return bytes;
}

TEST_F(WorkbookTest, PartsThatInflateBeyondTheLimitsAreRefusedAndTheFileStaysAsItWas) {
  // 20 MiB of empty rows deflate about 1000 times: a bomb by the default limits.
  std::string rows;
  for (int i = 0; i < (20 << 20) / 6; ++i) rows += "<row/>";
  writeDeflated(book("handmade", "bomb.xlsx"), kSheet1, kHead + rows + kTail);
  // Real cells that deflate 6 times, opened with a 1 MiB cap per part.
  std::string cells;
  for (int row = 1; cells.size() < (2 << 20); ++row) {
    cells += "<row r=\"" + std::to_string(row) + "\"><c r=\"A" + std::to_string(row) + "\"><v>" +
             std::to_string(row * 7919 % 1000003) + "</v></c></row>";
  }
  writeDeflated(book("handmade", "large.xlsx"), kSheet1, kHead + cells + kTail);
  // Headers that state 1000 bytes for a part that inflates to more.
  writeDeflated(book("handmade", "lying.xlsx"), kSheet1, kHead + rows.substr(0, 60000) + kTail);
  writeBytes(file("lying.xlsx"), withStatedSize(readBytes(file("lying.xlsx")), kSheet1, 1000));
  // 200,000 elements in one cell.
  std::string empties;
  for (int i = 0; i < 200000; ++i) empties += "<x/>";
  writeZip(
      book("handmade", "elements.xlsx"),
      {{kSheet1, kHead + "<row r=\"1\"><c r=\"A1\"><v>1</v>" + empties + "</c></row>" + kTail}});

  const xlsx::InflateLimits small{1 << 20, 100, 1 << 16};
  for (const auto& [name, limits, text] :
       std::vector<std::tuple<std::string, xlsx::InflateLimits, std::string>>{
           {"bomb.xlsx", {}, "xl/worksheets/sheet1.xml: 展開すると "},
           {"bomb.xlsx", {}, "バイトになり、圧縮サイズの 100 倍を超えます。ZIP 爆弾と思われる"},
           {"large.xlsx", small, "xl/worksheets/sheet1.xml: 展開すると 2"},
           {"large.xlsx", small, "バイトになり、ブックのパーツの上限 1048576 バイトを超えます"},
           {"lying.xlsx",
            {},
            "xl/worksheets/sheet1.xml: 展開すると、記録されたサイズ 1000 バイトを超えます"},
           {"elements.xlsx",
            {},
            "xl/worksheets/sheet1.xml には XML 要素が 200005 個あり、行とセル 2 個に対して"},
       }) {
    const std::string before = readBytes(file(name));
    EXPECT_THAT([&] { xlsx::WorkbookConnection(xlsx::loadFile(file(name)), false, limits); },
                failsWith(HasSubstr(text)))
        << name;
    EXPECT_EQ(readBytes(file(name)), before) << name;
  }
  // What users get: the opening message names the file, and a large real sheet opens.
  EXPECT_THAT([&] { openWorkbook(file("bomb.xlsx"), false); },
              failsWith(AllOf(HasSubstr("ブック「" + file("bomb.xlsx") + "」を開けません"),
                              HasSubstr("ZIP 爆弾"))));
  auto db = openWorkbook(file("large.xlsx"), false);
  EXPECT_EQ(countRows(*db, "Sheet1$", "F1 = 7919"), 1);
}

TEST_F(WorkbookTest, ARowOrCellThatAppearsTwiceIsRefusedByName) {
  for (const auto& [name, data, reference] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"row.xlsx",
            "<row r=\"5\"><c r=\"A5\"><v>1</v></c></row><row r=\"5\"><c "
            "r=\"B5\"><v>2</v></c></row>",
            "行 Sheet1!5:5"},
           // A row without r follows the one before it.
           {"next.xlsx", "<row r=\"4\"/><row/><row r=\"5\"/>", "行 Sheet1!5:5"},
           {"cell.xlsx", "<row r=\"5\"><c r=\"A5\"><v>1</v></c><c r=\"A5\"><v>2</v></c></row>",
            "セル Sheet1!A5"},
           // An empty cell is a cell too: a new value would go into one of the two.
           {"empty.xlsx",
            "<row r=\"5\"><c r=\"C5\" s=\"1\"/><c r=\"B5\"><v>2</v></c><c "
            "r=\"C5\"><v>3</v></c></row>",
            "セル Sheet1!C5"},
           {"follows.xlsx",
            "<row r=\"2\"><c r=\"B2\"><v>1</v></c><c r=\"A2\"/><c><v>2</v></c></row>",
            "セル Sheet1!B2"},
       }) {
    writeZip(book("handmade", name), {{kSheet1, kHead + data + kTail}});
    const std::string before = readBytes(file(name));
    EXPECT_THAT([&] { openWorkbook(file(name), false); },
                failsWith(HasSubstr("xl/worksheets/sheet1.xml: " + reference +
                                    " がワークシート内で重複しています")))
        << name;
    EXPECT_EQ(readBytes(file(name)), before) << name;
  }
}

TEST_F(WorkbookTest, RowsAndCellsOutOfOrderAreReadAndWrittenWhereTheyStand) {
  const std::string path = book("handmade", "order.xlsx");
  writeZip(path, {{kSheet1, kHead +
                                "<row r=\"3\"><c r=\"B3\"><v>32</v></c><c r=\"A3\"><v>31</v></c>"
                                "</row><row r=\"2\"><c r=\"A2\"><v>21</v></c></row>" +
                                kTail}});
  auto db = openWorkbook(path, false);
  EXPECT_EQ(countRows(*db, "Sheet1$", "F1 = 31 AND F2 = 32"), 1);
  EXPECT_EQ(countRows(*db, "Sheet1$", "F1 = 21 AND F2 IS NULL"), 1);
  EXPECT_EQ(db->execute("UPDATE [Sheet1$] SET F2 = 99 WHERE F1 = 31"), 1);
  EXPECT_THAT(entryText(path, kSheet1), HasSubstr("<c r=\"B3\"><v>99</v></c><c r=\"A3\"><v>31"));
  EXPECT_EQ(cellsReadByOpenpyxl(path)["Sheet1!B3"], "n|99||General|");
}

}  // namespace
}  // namespace norvel::test
