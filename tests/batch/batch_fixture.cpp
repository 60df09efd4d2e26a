#include "batch_fixture.h"

namespace norvel::batch::test {

std::string resultLine(const std::string& count) {
  return std::string(24 - count.size(), ' ') + count + "件置換しました。\n";
}

std::string progressLine(const std::string& old_code, const std::string& new_code) {
  return old_code + "->" + new_code + " ... \n";
}

BatchSqliteTest::BatchSqliteTest()
    : db_(dir_.file("addresses.sqlite")), pairs_(dir_.file("pairs.csv")) {
  execSql(db_,
          "CREATE TABLE 住所 (郵便番号 TEXT CHECK (length(郵便番号) = 8), 町域 TEXT);"
          "INSERT INTO 住所 VALUES ('100-0001', '千代田'), ('100-0001', '皇居外苑'),"
          " ('100-0003', '一ツ橋'), ('100-0004', '大手町');"
          "CREATE TABLE 顧客 (番号 INTEGER, 氏名 TEXT, 郵便番号 TEXT);");
  writePairs("100-0001,100-0091\r\n999-9999,100-0092\r\n100-0003,100-0093\r\n");
}

std::string BatchSqliteTest::addresses() const {
  return queryRows(db_, "SELECT 郵便番号, 町域 FROM 住所 ORDER BY rowid");
}

std::vector<std::string> BatchSqliteTest::dbArgs(std::vector<std::string> extra) const {
  std::vector<std::string> args = {"--db",    db_,        "--table", "住所",
                                   "--field", "郵便番号", "--pairs", pairs_};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

std::string BatchSqliteTest::standardStatus() {
  return progressLine("100-0001", "100-0091") + resultLine("2") +
         progressLine("999-9999", "100-0092") + resultLine("0") +
         progressLine("100-0003", "100-0093") + resultLine("1");
}

}  // namespace norvel::batch::test
