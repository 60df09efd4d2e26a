#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/failure_texts.h"
#include "catalog/reason_texts.h"
#include "catalog/situation_texts.h"
#include "worded.h"

namespace norvel {
namespace {

using Situation = DatabaseSituation;

const std::string kSupported =
    "対応している接続: Provider=Microsoft.Jet.OLEDB.4.0（または Microsoft.ACE.OLEDB.12.0）と、"
    "SQLite 3 のデータベース、Access のデータベース（.mdb/.accdb、参照のみ）、または Extended "
    "Properties=\"Excel 8.0\" を付けた Excel ブックを指す Data Source。登録済みの Oracle ODBC "
    "ドライバーを通す Provider=OraOLEDB.Oracle。Provider=SQLite;Data Source=<ファイル>。"
    "Provider=MSDASQL、または Driver=、DSN=、FILEDSN= のいずれかを含む ODBC 接続文字列。";
const std::string kSupportedInEnglish =
    " Supported connections: Provider=Microsoft.Jet.OLEDB.4.0 (or Microsoft.ACE.OLEDB.12.0) "
    "with a Data Source naming an SQLite 3 database, an Access database (.mdb/.accdb, read only) "
    "or an Excel workbook with Extended Properties=\"Excel 8.0\". Provider=OraOLEDB.Oracle "
    "through a registered Oracle ODBC driver. Provider=SQLite;Data Source=<file>. "
    "Provider=MSDASQL, or an ODBC connection string with Driver=, DSN= or FILEDSN=.";
const std::string kAce = "Microsoft Access Driver (*.mdb, *.accdb)";
const std::string kJet = "Microsoft Access Driver (*.mdb)";

// Every situation the database services report, with the values it names; the Japanese is the
// window's, word for word as it has always been.
TEST(SituationTexts, EverySituationInJapaneseAndEnglish) {
  const std::string path = "/home/利用者/住所.mdb";
  const std::vector<DatabaseError> errors = {
      DatabaseError(Situation::noDataSourceFile),
      DatabaseError(Situation::noProvider),
      DatabaseError(Situation::unknownProvider, {.name = "SQLOLEDB"}),
      DatabaseError(Situation::fileMissing, {.path = path}),
      DatabaseError(Situation::fileIsFolder, {.path = path}),
      DatabaseError(Situation::fileUnreadable, {.path = path}, "Permission denied"),
      DatabaseError(Situation::compoundDocument, {.path = path}),
      DatabaseError(Situation::zipPackage, {.path = path}),
      DatabaseError(Situation::notADatabase, {.path = path}),
      DatabaseError(Situation::noSqliteFile),
      DatabaseError(Situation::accessDriverMissing, {.path = path}),
      DatabaseError(Situation::oracleDriverMissing),
      DatabaseError(Situation::accessDriverOtherBitness, {.name = kAce, .bits = 64}),
      DatabaseError(Situation::oracleDriverOtherBitness, {.name = "Oracle in XE", .bits = 32}),
      DatabaseError(Situation::accdbNeedsAceDriver,
                    {.path = path, .name = kAce, .other_name = kJet, .bits = 32}),
      DatabaseError(Situation::accessDriverNotRegistered, {.path = path, .name = kAce, .bits = 32}),
      DatabaseError(Situation::accessDriverNotRegistered,
                    {.path = path, .name = kAce, .other_name = kJet, .bits = 64}),
      DatabaseError(Situation::oracleDriverNotRegistered, {.bits = 64}),
      DatabaseError(Situation::noStatement),
      DatabaseError(Situation::multipleStatements),
      DatabaseError(Situation::emptyQuery),
      DatabaseError(Situation::queryChangesData),
      DatabaseError(Situation::checkOnlyCommit),
      DatabaseError(Situation::transactionAlreadyOpen),
      DatabaseError(Situation::noTransaction),
      DatabaseError(Situation::connectionClosed),
      DatabaseError(Situation::fileReplaced, {.path = path}),
      DatabaseError(Situation::connectionLost, {}, {}, DatabaseErrorCategory::connectionLost),
      DatabaseError(Situation::connectionLost, {}, "server closed the connection unexpectedly",
                    DatabaseErrorCategory::connectionLost),
      DatabaseError(Situation::noEnvironment, {}, {}, DatabaseErrorCategory::connection),
      DatabaseError(Situation::noQueryRows),
      DatabaseError(Situation::sourceHasNoColumn),
      DatabaseError(Situation::sourceHasNoTableColumn),
      DatabaseError(Situation::declaredTypeUnknown),
      DatabaseError(Situation::columnTypeUnknown),
      DatabaseError(Situation::fieldTypeUnknown),
      DatabaseError(Situation::strictModeOff),
  };
  const std::vector<Worded> cases = {
      {"no Data Source file", "接続文字列に Data Source のファイルが指定されていません。",
       "The connection string names no file as its Data Source."},
      {"no provider",
       "接続文字列にプロバイダー、ODBC ドライバー、データソースのいずれも指定されていません。" +
           kSupported,
       "The connection string names no provider, ODBC driver or data source." +
           kSupportedInEnglish},
      {"unknown provider", "プロバイダー SQLOLEDB には対応していません。" + kSupported,
       "The provider SQLOLEDB is not supported." + kSupportedInEnglish},
      {"missing file", "ファイルがありません: " + path, "No such file: " + path},
      {"folder", path + " はフォルダーです。データベースのファイルではありません。",
       path + " is a folder, not a database file."},
      {"unreadable, with the system's reason", path + " を読み取れません: Permission denied",
       path + " cannot be read: Permission denied"},
      {"compound document",
       path +
           " は Excel 97-2003 ブックなどの OLE 複合ドキュメントで、データベースではありません。" +
           kSupported,
       path + " is an OLE compound document, such as an Excel 97-2003 workbook, not a database." +
           kSupportedInEnglish},
      {"zip package",
       path + " は ZIP パッケージ（.xlsx ブックなど）で、データベースではありません。" + kSupported,
       path + " is a ZIP package, such as an .xlsx workbook, not a database." +
           kSupportedInEnglish},
      {"no database",
       path + " は SQLite のデータベースでも Access のデータベースでもありません。" + kSupported,
       path + " is neither an SQLite database nor an Access database." + kSupportedInEnglish},
      {"no SQLite file", "SQLite のデータベースファイルが指定されていません。",
       "No SQLite database file is given."},
      {"no Access driver for unixODBC",
       "Access データベース用の ODBC ドライバーが登録されていません（登録済みのドライバーは "
       "odbcinst -q -d で一覧できます）。MDBTools のドライバー（Debian パッケージ "
       "odbc-mdbtools）があれば " +
           path + " を参照できます。",
       "No ODBC driver for Access databases is registered (odbcinst -q -d lists the registered "
       "drivers). With the MDBTools driver (Debian package odbc-mdbtools) " +
           path + " can be read."},
      {"no Oracle driver for unixODBC",
       "Oracle の ODBC ドライバーが登録されていません（登録済みのドライバーは odbcinst -q -d "
       "で一覧できます）。Oracle に接続するには、Oracle Instant Client の ODBC ドライバーを"
       "インストールして登録してください。",
       "No ODBC driver for Oracle is registered (odbcinst -q -d lists the registered drivers). "
       "To connect to Oracle, install and register the ODBC driver of Oracle Instant Client."},
      {"Access driver of the other bitness",
       "この 64 ビット版の norvel では 32 ビットの Access ドライバー「" + kAce +
           "」を使えません。32 ビット版の norvel を使ってください。",
       "This 64-bit norvel cannot use the 32-bit Access driver \"" + kAce +
           "\". Use the 32-bit norvel."},
      {"Oracle driver of the other bitness",
       "この 32 ビット版の norvel では 64 ビットの Oracle ドライバー「Oracle in XE」を使えません。"
       "64 ビット版の norvel を使ってください。",
       "This 32-bit norvel cannot use the 64-bit Oracle driver \"Oracle in XE\". Use the 64-bit "
       "norvel."},
      {".accdb with Jet's driver only",
       path + " は Access 2007 以降の形式（.accdb）で、Windows 付属の「" + kJet +
           "」では開けません。「" + kAce +
           "」が必要です。Microsoft Access データベース エンジン（Access Database Engine）の 32 "
           "ビット版をインストールしてください。",
       path + " is in the format of Access 2007 and later (.accdb), which Windows' own \"" + kJet +
           "\" cannot open; it needs \"" + kAce +
           "\". Install the 32-bit Microsoft Access Database Engine."},
      {"no Access driver for this bitness",
       path + " を開く Access の ODBC ドライバー「" + kAce +
           "」が、この 32 ビット版の norvel から使える形で登録されていません。Microsoft Access "
           "データベース エンジン（Access Database Engine）の 32 ビット版をインストールして"
           "ください。",
       "The Access ODBC driver \"" + kAce + "\" that opens " + path +
           " is not registered for this 32-bit norvel. Install the 32-bit Microsoft Access "
           "Database Engine."},
      {"no Access driver, .mdb in 32 bits",
       path + " を開く Access の ODBC ドライバー「" + kAce +
           "」が、この 64 ビット版の norvel から使える形で登録されていません。Microsoft Access "
           "データベース エンジン（Access Database Engine）の 64 ビット版をインストールして"
           "ください。32 ビット版の norvel なら、Windows に付属の「" +
           kJet + "」で .mdb を開けます。",
       "The Access ODBC driver \"" + kAce + "\" that opens " + path +
           " is not registered for this 64-bit norvel. Install the 64-bit Microsoft Access "
           "Database Engine. A 32-bit norvel can open .mdb files with Windows' own \"" +
           kJet + "\"."},
      {"no Oracle driver for this bitness",
       "Oracle の ODBC ドライバー（「Oracle in …」）が、この 64 ビット版の norvel から使える形で"
       "登録されていません。Oracle Instant Client の 64 ビット版に ODBC パッケージを加えて"
       "インストールし、その odbc_install.exe で登録してください。",
       "No Oracle ODBC driver (\"Oracle in …\") is registered for this 64-bit norvel. Install "
       "the 64-bit Oracle Instant Client with its ODBC package and register the driver with its "
       "odbc_install.exe."},
      {"no statement", "SQL 文がありません。", "There is no SQL statement."},
      {"several statements", "SQL 文が複数含まれています。何も実行していません。",
       "The text holds more than one SQL statement; nothing was run."},
      {"empty query", "クエリに SQL 文がありません。", "The query holds no SQL statement."},
      {"query that changes data", "クエリでデータベースを変更することはできません。",
       "A query cannot change the database."},
      {"commit of a check", "確認のみのトランザクションはコミットできません。",
       "A check-only transaction cannot be committed."},
      {"second transaction", "この接続ではトランザクションがすでに開始されています。",
       "A transaction is already open on this connection."},
      {"no transaction", "この接続ではトランザクションが開始されていません。",
       "No transaction is open on this connection."},
      {"closed", "オブジェクトが閉じている場合は、操作は許可されません。",
       "The operation is not allowed when the object is closed."},
      {"file replaced",
       path + ": データベースファイルが、開いている間にほかのプログラムによって削除されたか"
              "置き換えられました。何もコミットされていません。",
       path + ": the database file was deleted or replaced by another program while it was "
              "open; nothing was committed."},
      {"link lost at commit", "データソースとの接続が切れました。何もコミットされていません。",
       "The connection to the data source was lost; nothing was committed."},
      {"link lost, with the driver's text",
       "server closed the connection unexpectedly (データソースとの接続が切れました。何も"
       "コミットされていません。)",
       "server closed the connection unexpectedly (The connection to the data source was lost; "
       "nothing was committed.)"},
      {"no ODBC environment",
       "ODBC ドライバーマネージャーが環境ハンドルを割り当てられませんでした。",
       "The ODBC driver manager could not allocate an environment handle."},
      {"no query rows", "このデータソースは、クエリの行を置換の実行に返せません。",
       "This data source cannot return the rows of a query to the run."},
      {"source without a column", "一時テーブルの元になるクエリに列がありません。",
       "The query the temporary table is made from has no column."},
      {"source without a table's column",
       "一時テーブルの元になるクエリにテーブルの列がありません。",
       "The query the temporary table is made from has no column of a table."},
      {"declared type unknown", "この SQLite ライブラリでは列の宣言型を調べられません。",
       "This SQLite library cannot tell the declared type of a column."},
      {"column type unknown", "一時テーブルの列の型を調べられませんでした。",
       "The type of the temporary table's column could not be read."},
      {"field type unknown", "フィールドの型を調べられませんでした。",
       "The type of the field could not be read."},
      {"strict mode off",
       "このセッションでは厳密な SQL モード（STRICT_TRANS_TABLES など）が有効になっていません。",
       "Strict SQL mode (STRICT_TRANS_TABLES or the like) is off in this session."},
  };
  ASSERT_EQ(errors.size(), cases.size());
  expectWorded(
      cases, [&](std::size_t i, Language language) { return situationText(errors[i], language); });
  // What the user sees of an exception goes through the same words.
  expectWorded(
      cases, [&](std::size_t i, Language language) { return descriptionOf(errors[i], language); });
}

// A data source's own error keeps its text; a situation is led by its category's sentence
// (Japanese only) like any failure, and a run's failure is worded in the front end's language.
TEST(SituationTexts, FailuresOfARunAreWordedInTheFrontEndsLanguage) {
  const DatabaseError driver("database is locked", DatabaseErrorCategory::busy);
  EXPECT_EQ(situationText(driver, Language::english), "database is locked");
  EXPECT_EQ(descriptionOf(driver, Language::japanese), "database is locked");

  const DatabaseError replaced(DatabaseSituation::fileReplaced, {.path = "/data/a.db"});
  const std::string japanese =
      "/data/a.db: データベースファイルが、開いている間にほかのプログラムによって削除されたか"
      "置き換えられました。何もコミットされていません。";
  const std::string english =
      "/data/a.db: the database file was deleted or replaced by another program while it was "
      "open; nothing was committed.";
  EXPECT_EQ(failureMessage(replaced, Language::japanese),
            "データベースでエラーが発生しました。\r\n" + japanese);
  EXPECT_EQ(failureMessage(replaced, Language::english), english);

  // The run keeps the window's description; the catalogue words it again for norvel-batch.
  const RunFailure commit{RunStage::commit, std::nullopt, descriptionOf(replaced), replaced};
  EXPECT_EQ(commit.description, japanese);
  EXPECT_EQ(failureText(commit, Language::japanese), japanese);
  EXPECT_EQ(failureText(commit, Language::english), english);
}

}  // namespace
}  // namespace norvel
