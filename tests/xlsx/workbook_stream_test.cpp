#include <tuple>

#include "workbook_test_support.h"
#include "xlsx/sheet_cells.h"
#include "xlsx/sheet_patch.h"
#include "xlsx/workbook_connection.h"
#include "xlsx/workbook_file.h"
#include "xlsx/zip_archive.h"

namespace norvel::test {
namespace {

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// Every way a worksheet holds its values, laid out over lines and with a namespace prefix:
// shared strings (index 1 is rich text with a phonetic run), inline rich text, CDATA,
// character references, a cell and a row without r, cells out of order, a formula with and
// one without a cached value, an empty styled cell, an empty row and a missing row (6).
const std::string kEveryShape =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<x:worksheet xmlns:x=\"" +
    kMain +
    "\"><x:dimension ref=\"A1:B7\"/>\r\n"
    "<x:sheetData>\r\n"
    "  <x:row r=\"1\"><x:c r=\"A1\" t=\"inlineStr\"><x:is><x:t>コード</x:t></x:is></x:c>"
    "<x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t>名前</x:t></x:is></x:c></x:row>\r\n"
    "  <!-- <x:row r=\"9\"/> is no row -->\r\n"
    "  <x:row r=\"2\"><x:c r=\"B2\" t=\"inlineStr\"><x:is><x:r><x:t>東</x:t></x:r>"
    "<x:r><x:rPr><x:b/></x:rPr><x:t>京</x:t></x:r><x:rPh sb=\"0\" eb=\"1\"><x:t>トウ</x:t>"
    "</x:rPh></x:is></x:c><x:c r=\"A2\" t=\"s\"><x:v>1</x:v></x:c></x:row>\r\n"
    "  <x:row><x:c t=\"inlineStr\"><x:is><x:t><![CDATA[a<b]]></x:t></x:is></x:c>"
    "<x:c><x:f>1+1</x:f><x:v>2</x:v></x:c></x:row>\r\n"
    "  <x:row r=\"4\"/>\r\n"
    "  <x:row r=\"5\"><x:c r=\"A5\" s=\"1\"/><x:c r=\"B5\" t=\"str\">"
    "<x:f>\"&#x5927;\"&amp;\"阪\"</x:f><x:v>&#x5927;阪</x:v></x:c></x:row>\r\n"
    "  <x:row r=\"7\"><x:c r=\"A7\" t=\"inlineStr\"><x:is><x:t>末</x:t></x:is></x:c>"
    "<x:c r=\"B7\"><x:f>B3*2</x:f></x:c></x:row>\r\n"
    "</x:sheetData></x:worksheet>";

TEST_F(WorkbookTest, SheetsOfEveryShapeAreReadAndWrittenBackInPlace) {
  const std::string path = book("handmade", "shapes.xlsx");
  writeZip(path, {{kSheet1, kEveryShape}});
  const auto entries_before = zipEntries(path);

  auto db = openWorkbook(path, true);
  EXPECT_EQ(db->columnNames("Sheet1$"), (Names{"コード", "名前"}));
  for (const auto& [condition, rows] : std::vector<std::pair<std::string, int>>{
           {"コード = '千代田区' AND 名前 = '東京'", 1},
           {"コード = 'a<b' AND 名前 = '2'", 1},
           {"コード IS NULL AND 名前 IS NULL", 2},  // rows 4 and 6
           {"コード IS NULL AND 名前 = '大阪'", 1},
           {"コード = '末'", 1},
       }) {
    EXPECT_EQ(countRows(*db, "Sheet1$", condition), rows) << condition;
  }

  db->beginTransaction();
  EXPECT_EQ(db->execute(updateSql("Sheet1$", "コード", "'1000002'", " = '千代田区'")), 1);
  EXPECT_EQ(db->execute(updateSql("Sheet1$", "コード", "'z'", " IS NULL")), 3);
  // B3 keeps its formula.
  EXPECT_THAT([&] { db->execute(updateSql("Sheet1$", "名前", "NULL", " = '2'")); },
              failsWith("セル Sheet1!B3 は変更できません。セルに数式が入っています。"));
  db->commitTransaction();

  EXPECT_EQ(entryText(path, kSheet1),
            replaced(kEveryShape,
                     {{"<x:c r=\"A2\" t=\"s\"><x:v>1</x:v></x:c>",
                       "<x:c r=\"A2\" t=\"inlineStr\"><x:is><x:t>1000002</x:t></x:is></x:c>"},
                      {"<x:row r=\"4\"/>",
                       "<x:row r=\"4\"><x:c r=\"A4\" t=\"inlineStr\"><x:is><x:t>z</x:t></x:is>"
                       "</x:c></x:row>"},
                      {"<x:c r=\"A5\" s=\"1\"/>",
                       "<x:c r=\"A5\" s=\"1\" t=\"inlineStr\"><x:is><x:t>z</x:t></x:is></x:c>"},
                      {"  <x:row r=\"7\">",
                       "  <x:row r=\"6\"><x:c r=\"A6\" t=\"inlineStr\"><x:is><x:t>z</x:t></x:is>"
                       "</x:c></x:row><x:row r=\"7\">"}}));
  // The shared strings, the styles and the other sheets keep their bytes; the workbook asks
  // for recalculation, as formulas may read the changed cells.
  EXPECT_EQ(changedEntries(entries_before, zipEntries(path)), (Names{kSheet1, "xl/workbook.xml"}));

  // What another program reads, and this connection once more over the file it wrote.
  const auto cells = cellsReadByOpenpyxl(path);
  EXPECT_EQ(cells.at("Sheet1!A2"), "s|1000002||General|");
  EXPECT_EQ(cells.at("Sheet1!A5"), "s|z|bold|@|");
  EXPECT_EQ(cells.at("Sheet1!A6"), "s|z||General|");
  EXPECT_EQ(cells.at("Sheet1!B3"), "f|=1+1||General|");
  EXPECT_EQ(db->execute(updateSql("Sheet1$", "コード", "'y'", " = 'z'")), 3);
  EXPECT_EQ(countRows(*openWorkbook(path, true), "Sheet1$", "コード = 'y'"), 3);
}

TEST_F(WorkbookTest, PartsThatAreNoPlainWorkbookXmlAreRefusedAndTheFileStaysAsItWas) {
  const std::string strings = "xl/sharedStrings.xml";
  for (const auto& [name, entry, xml, text] :
       std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
           {"entity.xlsx", kSheet1,
            "<!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaa\">]><worksheet xmlns=\"" + kMain +
                "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&a;</t></is></c>"
                "</row></sheetData></worksheet>",
            "xl/worksheets/sheet1.xml は XML エンティティを宣言しています"},
           {"unclosed.xlsx", kSheet1, "<worksheet xmlns=\"" + kMain + "\"><sheetData><row r=\"1\">",
            "xl/worksheets/sheet1.xml は整形式の XML ではありません: "},
           {"empty.xlsx", kSheet1, "", "xl/worksheets/sheet1.xml は整形式の XML ではありません: "},
           {"strings.xlsx", strings, "<sst xmlns=\"" + kMain + "\"><si><t>a</si></sst>",
            "xl/sharedStrings.xml は整形式の XML ではありません: "},
           {"string-entity.xlsx", strings,
            "<!DOCTYPE sst [<!ENTITY a \"b\">]><sst xmlns=\"" + kMain +
                "\"><si><t>&a;</t></si></sst>",
            "xl/sharedStrings.xml は XML エンティティを宣言しています"},
       }) {
    writeZip(book("handmade", name), {{entry, xml}});
    const std::string before = readBytes(file(name));
    EXPECT_THAT([&] { openWorkbook(file(name), false); }, failsWith(HasSubstr(text))) << name;
    EXPECT_EQ(readBytes(file(name)), before) << name;
  }
}

// A sheet of some megabytes, deflated: rows straddle the pieces it is read in.
std::string largeSheet() {
  std::string rows;
  for (int row = 1; row <= 40000; ++row) {
    if (row % 10 == 6) continue;  // rows left out, which edits insert
    const std::string r = std::to_string(row);
    rows += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"inlineStr\"><is><t>code " + r +
            "</t></is></c><c r=\"B" + r + "\"><v>" + r + "</v></c></row>";
  }
  return "<worksheet xmlns=\"" + kMain + "\"><sheetData>" + rows + "</sheetData></worksheet>";
}

std::vector<xlsx::CellEdit> largeSheetEdits() {
  std::vector<xlsx::CellEdit> edits;
  for (std::uint32_t row = 1; row <= 40000; row += 7) {
    xlsx::CellEdit edit{{row, 1}, {}};
    edit.value.type = xlsx::CellValue::Type::text;
    edit.value.text = "new " + std::to_string(row);
    edits.push_back(edit);
    if (row % 3 == 0) edits.push_back({{row, 2}, {}});  // emptied
    if (row % 5 == 0) {
      xlsx::CellEdit added{{row, 3}, {}};
      added.value.type = xlsx::CellValue::Type::number;
      added.value.number = row * 0.5;
      edits.push_back(added);
    }
  }
  return edits;
}

std::string withSplices(const std::string& xml, const std::vector<xlsx::Splice>& splices) {
  std::string out;
  std::size_t done = 0;
  for (const auto& splice : splices) {
    out.append(xml, done, splice.begin - done);
    out += splice.text;
    done = splice.end;
  }
  return out + xml.substr(done);
}

TEST_F(WorkbookTest, ALargeSheetIsPatchedAlikeFromItsRowIndexAndFromAFullRead) {
  const std::string path = book("handmade", "large.xlsx");
  const std::string xml = largeSheet();
  {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), 0, &error);
    zip_source_t* source = zip_source_buffer(zip, xml.data(), xml.size(), 0);
    zip_set_file_compression(zip, zip_file_add(zip, kSheet1.c_str(), source, ZIP_FL_OVERWRITE),
                             ZIP_CM_DEFLATE, 9);
    zip_close(zip);
  }
  const std::string bytes = readBytes(path);
  const xlsx::ZipArchive original(bytes);
  const std::vector<std::string> no_shared_strings;
  const auto cells =
      xlsx::readSheetCells("Sheet1", kSheet1, *original.open(kSheet1), no_shared_strings);
  ASSERT_EQ(cells.index.rows.size(), 36000u);

  const auto indexed =
      xlsx::planSheetPatch(kSheet1, *original.open(kSheet1), cells.index, largeSheetEdits());
  const auto full = xlsx::planSheetPatch(kSheet1, *original.open(kSheet1), largeSheetEdits());
  ASSERT_EQ(indexed.splices.size(), full.splices.size());
  for (std::size_t i = 0; i < full.splices.size(); ++i) {
    EXPECT_EQ(indexed.splices[i].begin, full.splices[i].begin) << i;
    EXPECT_EQ(indexed.splices[i].end, full.splices[i].end) << i;
    EXPECT_EQ(indexed.splices[i].text, full.splices[i].text) << i;
  }
  EXPECT_THAT(full.splices[0].text,
              HasSubstr("<c r=\"A1\" t=\"inlineStr\"><is><t>new 1</t></is></c>"));

  // Written piece by piece into the new archive, the part is the original with the splices.
  xlsx::ZipArchive archive(bytes);
  archive.replace(kSheet1, std::make_unique<xlsx::SplicedPart>(original, kSheet1, full.splices));
  writeBytes(path, archive.commitToBytes());
  EXPECT_EQ(entryText(path, kSheet1), withSplices(xml, full.splices));
  {
    int error = 0;
    std::unique_ptr<zip_t, void (*)(zip_t*)> zip(zip_open(path.c_str(), ZIP_RDONLY, &error),
                                                 zip_discard);
    zip_stat_t stat;
    ASSERT_EQ(zip_stat(zip.get(), kSheet1.c_str(), 0, &stat), 0);
    EXPECT_EQ(stat.comp_method, ZIP_CM_DEFLATE) << "a deflated part stays deflated";
  }
  auto db = openWorkbook(path, false);
  EXPECT_EQ(countRows(*db, "Sheet1$", "F1 = 'new 36' AND F3 IS NULL"), 1);  // an inserted row
  EXPECT_EQ(countRows(*db, "Sheet1$", "F1 = 'new 50' AND F2 = 50 AND F3 = 25"), 1);
  EXPECT_EQ(countRows(*db, "Sheet1$", "F1 = 'new 39999' AND F2 IS NULL"), 1);
}

}  // namespace
}  // namespace norvel::test
