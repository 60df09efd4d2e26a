#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/connect_texts.h"
#include "catalog/pair_texts.h"
#include "catalog/reason_texts.h"
#include "worded.h"

namespace norvel {
namespace {

TEST(ReasonTexts, EveryRefusalInJapaneseAndEnglish) {
  using Kind = FailureReasonKind;
  const std::vector<FailureReason> reasons = {
      {Kind::undecodableBytes, "100-\xEF\xBF\xBD", {}},
      {Kind::controlChar, "\t100\x7f", {}},
      {Kind::notANumber, "100-0003", "郵便番号"},
      {Kind::unquotableName, "a b", {}},
  };
  const std::vector<Worded> cases = {
      {"undecodable bytes",
       "コード「100-\xEF\xBF\xBD」には文字として読めないバイトが含まれています。",
       "The code \"100-\xEF\xBF\xBD\" holds bytes that could not be read as text."},
      {"control character", "コード「\\t100\\x7f」には制御文字が含まれています。",
       "The code \"\\t100\\x7f\" holds a control character."},
      {"not a number",
       "「100-0003」は数値ではないため、数値型のフィールド「郵便番号」の置換に使えません。",
       "\"100-0003\" is not a number, so it cannot be used to replace codes in the numeric "
       "field \"郵便番号\"."},
      {"unquotable name",
       "名前「a b」を安全に SQL に書けません。このデータソースには名前を囲む引用符がありません。",
       "The name \"a b\" cannot be written safely in SQL: this data source has no quote for "
       "names."},
  };
  expectWorded(cases, [&](std::size_t i, Language language) {
    return failureReasonText(reasons[i], language);
  });
}

// A failure with a reason is worded by it; one without keeps the data source's words.
TEST(ReasonTexts, AFailureIsWordedByItsReasonElseItsDescription) {
  RunFailure refused{RunStage::refused, 0, "コード「x\\r」には制御文字が含まれています。",
                     std::nullopt, FailureReason{FailureReasonKind::controlChar, "x\r", {}}};
  EXPECT_EQ(failureText(refused, Language::japanese), refused.description);
  EXPECT_EQ(failureText(refused, Language::english),
            "The code \"x\\r\" holds a control character.");
  const RunFailure driver{RunStage::update, 0, "CHECK constraint failed", std::nullopt};
  EXPECT_EQ(failureText(driver, Language::japanese), "CHECK constraint failed");
  EXPECT_EQ(failureText(driver, Language::english), "CHECK constraint failed");
}

TEST(ReasonTexts, EveryPairFindingInJapaneseAndEnglish) {
  using Kind = PairFindingKind;
  const std::vector<PairFinding> findings = {
      {Kind::headerLine, 1, {"旧", "新"}},
      {Kind::emptiesField, 2, {"100-0003", ""}},
      {Kind::blanksAround, 3, {" 100-0001", "100-0002"}, 0, BlankSide::oldCode},
      {Kind::blanksAround, 3, {"100-0001", "100-0002\t"}, 0, BlankSide::newCode},
      {Kind::blanksAround, 3, {" 100-0001", "100-0002 "}, 0, BlankSide::both},
      {Kind::repeatedOldCode, 4, {"100-0001", "100-0009"}, 1},
      {Kind::chain, 5, {"100-0002", "100-0003"}, 1},
      {Kind::cycle, 1234, {"100-0002", "100-0001"}, 1001},
  };
  const std::vector<Worded> cases = {
      {"header line",
       "1 番目の置換ペア「旧 -> 新」は見出し行のようです。これも置換ペアとしてそのまま使われます。",
       "Pair 1 \"旧 -> 新\" looks like a header line; it is used as a pair too, as it is."},
      {"empties the field",
       "2 番目の置換ペア「100-0003 -> "
       "」は置換先が空です。該当するフィールドは空（NULL）になります。",
       "Pair 2 \"100-0003 -> \" has an empty new code: the fields it matches become empty "
       "(NULL)."},
      {"blanks around the old code",
       "3 番目の置換ペア「 100-0001 -> 100-0002」は置換元の前後に空白があります。空白も含めて"
       "そのまま使われます。",
       "Pair 3 \" 100-0001 -> 100-0002\" has blanks before or after its old code: they are used "
       "as they are."},
      {"blanks around the new code",
       "3 番目の置換ペア「100-0001 -> 100-0002\\t」は置換先の前後に空白があります。空白も含めて"
       "そのまま使われます。",
       "Pair 3 \"100-0001 -> 100-0002\\t\" has blanks before or after its new code: they are "
       "used as they are."},
      {"blanks around both",
       "3 番目の置換ペア「 100-0001 -> 100-0002 」は置換元と置換先の前後に空白があります。空白も"
       "含めてそのまま使われます。",
       "Pair 3 \" 100-0001 -> 100-0002 \" has blanks before or after its old and new codes: "
       "they are used as they are."},
      {"repeated old code",
       "4 番目の置換ペア「100-0001 -> 100-0009」は置換元が 1 番目の置換ペアと同じです。該当する"
       "行は先に置換されるため、このペアでは置換されません。",
       "Pair 4 \"100-0001 -> 100-0009\" has the same old code as pair 1: its rows are replaced "
       "by that pair first, so this pair replaces none of them."},
      {"chain",
       "5 番目の置換ペア「100-0002 -> 100-0003」の置換元は 1 番目の置換ペアの置換先です。1 番目"
       "で置換された行も続けて置換されます（連鎖）。",
       "The old code of pair 5 \"100-0002 -> 100-0003\" is the new code of pair 1: the rows "
       "pair 1 replaced are replaced again (a chain)."},
      {"cycle, with grouped positions",
       "1,234 番目の置換ペア「100-0002 -> 100-0001」は 1,001 番目の置換ペアからの連鎖を元の"
       "コードに戻します（循環）。連鎖した行はすべて「100-0001」になります。",
       "Pair 1,234 \"100-0002 -> 100-0001\" leads the chain from pair 1,001 back to the code it "
       "started from (a cycle): all the chained rows end as \"100-0001\"."},
  };
  expectWorded(cases, [&](std::size_t i, Language language) {
    return pairFindingText(findings[i], language);
  });
}

TEST(ReasonTexts, EveryPairFileProblemInJapaneseAndEnglish) {
  using Kind = PairFileProblemKind;
  const std::string path = "/home/利用者/置換.csv";
  const std::vector<PairFileProblem> problems = {
      {Kind::utf16, path},
      {Kind::controlChars, path, {7}},
      {Kind::controlChars, path, {2, 3}},
      {Kind::controlChars, path, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {Kind::tooManyPairs, path, {}, 32767, 1},
      {Kind::tooManyPairs, path, {}, 32767, 1233},
  };
  const std::vector<Worded> cases = {
      {"UTF-16",
       path + " は UTF-16 で保存されているため読み込めません。\r\nコードページ 932（Shift-JIS）"
              "または UTF-8 で保存し直してください。",
       path + " is saved as UTF-16 and cannot be read.\r\nSave it again as code page 932 "
              "(Shift-JIS) or UTF-8."},
      {"one line with control characters",
       "制御文字を含むコードは置換リストに登録できません。\r\n" + path +
           " の 7 行目は読み込まれていません。",
       "Codes with control characters cannot be in the pair list.\r\nLine 7 of " + path +
           " was not read."},
      {"two lines",
       "制御文字を含むコードは置換リストに登録できません。\r\n" + path +
           " の 2, 3 行目は読み込まれていません。",
       "Codes with control characters cannot be in the pair list.\r\nLines 2, 3 of " + path +
           " were not read."},
      {"more lines than are named",
       "制御文字を含むコードは置換リストに登録できません。\r\n" + path +
           " の 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 行目ほか 2 行は読み込まれていません。",
       "Codes with control characters cannot be in the pair list.\r\nLines 1, 2, 3, 4, 5, 6, 7, "
       "8, 9, 10 and 2 more of " +
           path + " were not read."},
      {"one pair too many",
       "置換リストには 32,767 件までしか登録できません。\r\n" + path +
           " の残り 1 件は読み込まれていません。",
       "The pair list holds at most 32,767 pairs.\r\nThe last pair of " + path + " was not read."},
      {"many pairs too many",
       "置換リストには 32,767 件までしか登録できません。\r\n" + path +
           " の残り 1,233 件は読み込まれていません。",
       "The pair list holds at most 32,767 pairs.\r\nThe last 1,233 pairs of " + path +
           " were not read."},
  };
  expectWorded(cases, [&](std::size_t i, Language language) {
    return pairFileProblemText(problems[i], language);
  });
}

TEST(ReasonTexts, OtherFormHintsInJapaneseAndEnglish) {
  const std::vector<OtherFormHint> hints = {
      {0, {"0600000", "0600001"}, {{"060-0000", 1}}},
      {11, {"1000001", "1000002"}, {{"100-0001", 1500}, {"１００\t０００１", 2}}},
  };
  const std::vector<Worded> cases = {
      {"one form",
       "1 番目の置換ペア「0600000 -> 0600001」に一致する行はありません。このフィールドには"
       "「060-0000」（1 行）の形で入っています。",
       "No row matches pair 1 \"0600000 -> 0600001\"; the field holds its code as \"060-0000\" "
       "(1 row)."},
      {"two forms, most rows first",
       "12 番目の置換ペア「1000001 -> 1000002」に一致する行はありません。このフィールドには"
       "「100-0001」（1,500 行）、「１００\\t０００１」（2 行）の形で入っています。",
       "No row matches pair 12 \"1000001 -> 1000002\"; the field holds its code as "
       "\"100-0001\" (1,500 rows), \"１００\\t０００１\" (2 rows)."},
  };
  expectWorded(cases, [&](std::size_t i, Language language) {
    return otherFormHintText(hints[i], language);
  });
}

TEST(ReasonTexts, ConnectMessagesInJapaneseAndEnglish) {
  const std::string connection = "Driver={PostgreSQL Unicode};Uid=norvel;Pwd=secret;";
  const std::string masked = "Driver={PostgreSQL Unicode};Uid=norvel;Pwd=****;";
  const std::vector<MissingInput> missing = {
      MissingInput::databasePath, MissingInput::userAndPassword, MissingInput::workbookPath,
      MissingInput::connectionString};
  const std::vector<Worded> cases = {
      {"MDB path", "MDBファイルのパスを入力してください", "Enter the path of the MDB file"},
      {"user and password", "ユーザ名、パスワードを入力してください",
       "Enter the user name and the password"},
      {"workbook path", "Excelファイルのパスを入力してください",
       "Enter the path of the Excel file"},
      {"connection string", "Active Data Object 接続文字列を入力してください",
       "Enter the Active Data Object connection string"},
  };
  expectWorded(cases, [&](std::size_t i, Language language) {
    return missingInputText(missing[i], language);
  });
  EXPECT_EQ(openFailureMessage(connection, "could not connect", Language::japanese),
            "データベースをオープンできません\r\n" + masked + "\r\ncould not connect");
  EXPECT_EQ(openFailureMessage(connection, "could not connect", Language::english),
            "Cannot open the database\r\n" + masked + "\r\ncould not connect");
  EXPECT_EQ(fieldListFailureMessage("no such table: 住所", Language::japanese),
            "フィールド名列挙時にエラーが発生しました。\r\nno such table: 住所");
  EXPECT_EQ(fieldListFailureMessage("no such table: 住所", Language::english),
            "Listing the names of the fields failed.\r\nno such table: 住所");
  EXPECT_EQ(notConnectedText(Language::japanese), "データベースに接続されていません。");
  EXPECT_EQ(notConnectedText(Language::english), "Not connected to a database.");
}

}  // namespace
}  // namespace norvel
