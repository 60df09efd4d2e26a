#include <gmock/gmock.h>

#include "ken_all_fixture.h"
#include "platform/native_platform.h"
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
