#include <gmock/gmock.h>

#include <algorithm>

#include "ken_all_fixture.h"
#include "platform/native/native_platform.h"
#include "postal/snapshot_reader.h"

namespace norvel::postal {
namespace {

using ::testing::HasSubstr;

const std::vector<AddressRecord> kRecords = {
    {"0600000", "北海道", "札幌市中央区", "以下に掲載がない場合"},
    {"0600042", "北海道", "札幌市中央区", "大通西（１〜１９丁目）"},
    {"0691234", "北海道", "千歳市",
     "藤野（４００、４００－２番地、４１０番地、４２５番地、５１４番地、５３２番地）"},
};

class SnapshotReaderTest : public ::testing::Test {
 protected:
  NativeCodePage932 code_page_;
};

TEST_F(SnapshotReaderTest, ReadsBothEditionsToTheSameAddresses) {
  const struct {
    std::string bytes;
    TextEncoding encoding;
    std::size_t lines;
  } editions[] = {
      {test::utfKenAll(kRecords), TextEncoding::utf8, 3},
      {"\xEF\xBB\xBF" + test::utfKenAll(kRecords), TextEncoding::utf8, 3},
      {test::kenAllCp932(kRecords, code_page_), TextEncoding::cp932, 4},
      {test::kenAllCp932(kRecords, code_page_, 5), TextEncoding::cp932, 12},
  };
  for (const auto& edition : editions) {
    const Snapshot s = readSnapshot(edition.bytes, code_page_);
    EXPECT_EQ(s.encoding, edition.encoding);
    EXPECT_EQ(s.lines, edition.lines);
    ASSERT_EQ(s.records.size(), 3u);
    EXPECT_EQ(s.records[2].town, code_page_.decode(code_page_.encode(kRecords[2].town)));
    EXPECT_EQ(s.records[0].town, "以下に掲載がない場合");
    EXPECT_EQ(s.records[1].city, "札幌市中央区");
  }
}

// KEN_ALL.CSV starts with 0600000's half-width kana readings, single bytes in code page 932, and
// its first two (ﾎｯ, CE AF) are also a UTF-8 character (ί): the file is UTF-8 up to the third.
// Read by the start alone, it was taken for a damaged UTF-8 file.
TEST_F(SnapshotReaderTest, ReadsTheRealFirstLinesOfBothEditions) {
  const std::vector<AddressRecord> real = test::readJpPostal2022(NORVEL_POSTAL_CSV);
  const std::string utf = test::kenAllFirstLines(real, 12);
  const std::string cp932 = code_page_.encode(utf);
  const std::string_view first_line = std::string_view(cp932).substr(0, cp932.find('\n') + 1);
  ASSERT_EQ(
      first_line,
      "01101,\"060  \",\"0600000\",\"\xCE\xAF\xB6\xB2\xC4\xDE\xB3\",\"\xBB\xAF\xCE\xDF\xDB\xBC\xC1"
      "\xAD\xB3\xB5\xB3\xB8\",\"\xB2\xB6\xC6\xB9\xB2\xBB\xB2\xB6\xDE\xC5\xB2\xCA\xDE\xB1\xB2\","
      "\"\x96\x6B\x8A\x43\x93\xB9\",\"\x8E\x44\x96\x79\x8E\x73\x92\x86\x89\x9B\x8B\xE6\",\"\x88"
      "\xC8\x89\xBA\x82\xC9\x8C\x66\x8D\xDA\x82\xAA\x82\xC8\x82\xA2\x8F\xEA\x8D\x87\",0,0,0,0,0,"
      "0\r\n");
  EXPECT_EQ(code_page_.decode(first_line.substr(25, 2)), "ﾎｯ");
  EXPECT_EQ(first_line.substr(25, 2), "ί");  // the same two bytes as UTF-8

  const Snapshot from_utf = readSnapshot(utf, code_page_);
  const Snapshot from_cp932 = readSnapshot(cp932, code_page_);
  EXPECT_EQ(from_utf.encoding, TextEncoding::utf8);
  EXPECT_EQ(from_cp932.encoding, TextEncoding::cp932);
  ASSERT_EQ(from_utf.records.size(), 12u);
  ASSERT_EQ(from_cp932.records.size(), 12u);
  const auto& original = *std::find_if(real.begin(), real.end(),
                                       [](const AddressRecord& r) { return r.code == "0600000"; });
  for (const Snapshot* s : {&from_utf, &from_cp932}) {
    EXPECT_EQ(s->records[0].code, original.code);
    EXPECT_EQ(s->records[0].prefecture, original.prefecture);
    EXPECT_EQ(s->records[0].city, original.city);
    EXPECT_EQ(s->records[0].town, original.town);
  }
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(from_cp932.records[i].code, from_utf.records[i].code);
    EXPECT_EQ(from_cp932.records[i].town,
              code_page_.decode(code_page_.encode(from_utf.records[i].town)));
  }
}

TEST_F(SnapshotReaderTest, JoinsOnlyTheLinesOfOneOpenParenthesis) {
  // Two towns of one code, the first one closed: they stay two records. LF line ends and a last
  // line without one are read too.
  const std::string text =
      "00000,\"060  "
      "\",\"0600001\",\"ｱ\",\"ｱ\",\"ｱ\",\"北海道\",\"札幌市中央区\",\"北一条西（１\",0,0,0,0,0,0\n"
      "00000,\"060  "
      "\",\"0600001\",\"ｱ\",\"ｱ\",\"ｱ\",\"北海道\",\"札幌市中央区\",\"〜１９丁目）\",0,0,0,0,0,0\n"
      "00000,\"060  "
      "\",\"0600001\",\"ｱ\",\"ｱ\",\"ｱ\",\"北海道\",\"札幌市中央区\",\"北一条東\",0,0,0,0,0,0";
  const Snapshot s = readSnapshot(code_page_.encode(text), code_page_);
  ASSERT_EQ(s.records.size(), 2u);
  EXPECT_EQ(s.records[0].town, "北一条西（１～１９丁目）");
  EXPECT_EQ(s.records[1].town, "北一条東");
}

TEST_F(SnapshotReaderTest, RejectsWhatIsNotJapanPostsList) {
  const std::string valid = test::utfKenAll(kRecords);
  const struct {
    std::string bytes;
    const char* message;
  } cases[] = {
      {"", "no address records"},
      {"\r\n\r\n", "no address records"},
      {"郵便番号,都道府県,市区町村町域\n0010000,北海道,札幌市北区\n",
       "line 1 is not a Japan Post address record (3 fields"},
      {valid +
           "00000,\"060  \",\"060000\",\"ｱ\",\"ｱ\",\"ｱ\",\"北海道\",\"x\",\"y\",0,0,0,0,0,0\r\n",
       "line 4 is not a Japan Post address record"},
      {"PK\x03\x04 zip bytes", "line 1 is not a Japan Post address record (1 fields"},
      {valid + "00000,\"\xE3\x81\",\"0600000\"\r\n",
       "line 4: a byte that is not UTF-8 in a UTF-8 file"},
      {"00000,\"060  \",\"0600000\",\"\xA0\xFD\",\r\n",
       "line 1: bytes that are neither UTF-8 nor code page 932 text"},
      // UTF-8 up to a bad byte, and its readings are no half-width kana in code page 932.
      {valid.substr(0, 40) + "\xFF" + valid.substr(40),
       "line 1: a byte that is not UTF-8 in a UTF-8 file"},
      // Code page 932 from the start, one byte on line 2 that is not.
      {[&] {
         std::string bytes = code_page_.encode(test::utfKenAll(kRecords));
         return bytes.insert(bytes.find("0600042"), "\xA0");
       }(),
       "line 2: bytes that are neither UTF-8 nor code page 932 text"},
  };
  for (const auto& c : cases) {
    try {
      readSnapshot(c.bytes, code_page_);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const PostalInputError& error) {
      EXPECT_THAT(error.what(), HasSubstr(c.message));
    }
  }
}

}  // namespace
}  // namespace norvel::postal
