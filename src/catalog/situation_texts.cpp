#include "catalog/situation_texts.h"

namespace norvel {
namespace {

std::string supportedConnections(bool japanese) {
  return japanese
             ? "対応している接続: Provider=Microsoft.Jet.OLEDB.4.0（または "
               "Microsoft.ACE.OLEDB.12.0）と、SQLite 3 のデータベース、Access のデータベース"
               "（.mdb/.accdb、参照のみ）、または Extended Properties=\"Excel 8.0\" を付けた Excel "
               "ブックを指す Data Source。登録済みの Oracle ODBC ドライバーを通す "
               "Provider=OraOLEDB.Oracle。Provider=SQLite;Data Source=<ファイル>。"
               "Provider=MSDASQL、または Driver=、DSN=、FILEDSN= のいずれかを含む ODBC 接続文字列。"
             : " Supported connections: Provider=Microsoft.Jet.OLEDB.4.0 (or "
               "Microsoft.ACE.OLEDB.12.0) with a Data Source naming an SQLite 3 database, an "
               "Access database (.mdb/.accdb, read only) or an Excel workbook with Extended "
               "Properties=\"Excel 8.0\". Provider=OraOLEDB.Oracle through a registered Oracle "
               "ODBC driver. Provider=SQLite;Data Source=<file>. Provider=MSDASQL, or an ODBC "
               "connection string with Driver=, DSN= or FILEDSN=.";
}

std::string listDrivers(bool japanese) {
  return japanese ? "（登録済みのドライバーは odbcinst -q -d で一覧できます）"
                  : " (odbcinst -q -d lists the registered drivers)";
}

std::string otherBitnessAdvice(const SituationValues& values, const char* kind, bool japanese) {
  const std::string bits = std::to_string(values.bits);
  const std::string other = values.bits == 64 ? "32" : "64";
  return japanese ? "この " + bits + " ビット版の norvel では " + other + " ビットの " + kind +
                        " ドライバー「" + values.name + "」を使えません。" + other +
                        " ビット版の norvel を使ってください。"
                  : "This " + bits + "-bit norvel cannot use the " + other + "-bit " + kind +
                        " driver \"" + values.name + "\". Use the " + other + "-bit norvel.";
}

std::string installAccessEngine(int bits, bool japanese) {
  return japanese
             ? "Microsoft Access データベース エンジン（Access Database Engine）の " +
                   std::to_string(bits) + " ビット版をインストールしてください。"
             : " Install the " + std::to_string(bits) + "-bit Microsoft Access Database Engine.";
}

std::string lostSentence(bool japanese) {
  return japanese ? "データソースとの接続が切れました。何もコミットされていません。"
                  : "The connection to the data source was lost; nothing was committed.";
}

// The sentence alone; the situations that place the error's own text say so with `placed`.
std::string sentence(const DatabaseError& error, bool japanese, bool& placed) {
  using Situation = DatabaseSituation;
  const SituationValues& values = error.values();
  const std::string& path = values.path;
  const std::string text = error.what();
  switch (error.situation()) {
    case Situation::none:
      break;
    case Situation::noDataSourceFile:
      return japanese ? "接続文字列に Data Source のファイルが指定されていません。"
                      : "The connection string names no file as its Data Source.";
    case Situation::noProvider:
      return (japanese ? "接続文字列にプロバイダー、ODBC ドライバー、データソースのいずれも"
                         "指定されていません。"
                       : "The connection string names no provider, ODBC driver or data "
                         "source.") +
             supportedConnections(japanese);
    case Situation::unknownProvider:
      return (japanese ? "プロバイダー " + values.name + " には対応していません。"
                       : "The provider " + values.name + " is not supported.") +
             supportedConnections(japanese);
    case Situation::fileMissing:
      return (japanese ? "ファイルがありません: " : "No such file: ") + path;
    case Situation::fileIsFolder:
      return path + (japanese ? " はフォルダーです。データベースのファイルではありません。"
                              : " is a folder, not a database file.");
    case Situation::fileUnreadable:
      placed = true;
      return path + (japanese ? " を読み取れません: " : " cannot be read: ") + text;
    case Situation::compoundDocument:
      return path +
             (japanese ? " は Excel 97-2003 ブックなどの OLE 複合ドキュメントで、データベースでは"
                         "ありません。"
                       : " is an OLE compound document, such as an Excel 97-2003 workbook, not a "
                         "database.") +
             supportedConnections(japanese);
    case Situation::zipPackage:
      return path +
             (japanese ? " は ZIP パッケージ（.xlsx ブックなど）で、データベースではありません。"
                       : " is a ZIP package, such as an .xlsx workbook, not a database.") +
             supportedConnections(japanese);
    case Situation::notADatabase:
      return path +
             (japanese ? " は SQLite のデータベースでも Access のデータベースでもありません。"
                       : " is neither an SQLite database nor an Access database.") +
             supportedConnections(japanese);
    case Situation::noSqliteFile:
      return japanese ? "SQLite のデータベースファイルが指定されていません。"
                      : "No SQLite database file is given.";
    case Situation::accessDriverMissing:
      return japanese
                 ? "Access データベース用の ODBC ドライバーが登録されていません" +
                       listDrivers(japanese) +
                       "。MDBTools のドライバー（Debian パッケージ odbc-mdbtools）があれば " +
                       path + " を参照できます。"
                 : "No ODBC driver for Access databases is registered" + listDrivers(japanese) +
                       ". With the MDBTools driver (Debian package odbc-mdbtools) " + path +
                       " can be read.";
    case Situation::oracleDriverMissing:
      return japanese ? "Oracle の ODBC ドライバーが登録されていません" + listDrivers(japanese) +
                            "。Oracle に接続するには、Oracle Instant Client の ODBC ドライバーを"
                            "インストールして登録してください。"
                      : "No ODBC driver for Oracle is registered" + listDrivers(japanese) +
                            ". To connect to Oracle, install and register the ODBC driver of "
                            "Oracle Instant Client.";
    case Situation::accessDriverOtherBitness:
      return otherBitnessAdvice(values, "Access", japanese);
    case Situation::oracleDriverOtherBitness:
      return otherBitnessAdvice(values, "Oracle", japanese);
    case Situation::accdbNeedsAceDriver:
      return (japanese
                  ? path + " は Access 2007 以降の形式（.accdb）で、Windows 付属の「" +
                        values.other_name + "」では開けません。「" + values.name + "」が必要です。"
                  : path +
                        " is in the format of Access 2007 and later (.accdb), which "
                        "Windows' own \"" +
                        values.other_name + "\" cannot open; it needs \"" + values.name + "\".") +
             installAccessEngine(values.bits, japanese);
    case Situation::accessDriverNotRegistered: {
      const std::string bits = std::to_string(values.bits);
      std::string message =
          (japanese ? path + " を開く Access の ODBC ドライバー「" + values.name + "」が、この " +
                          bits + " ビット版の norvel から使える形で登録されていません。"
                    : "The Access ODBC driver \"" + values.name + "\" that opens " + path +
                          " is not registered for this " + bits + "-bit norvel.") +
          installAccessEngine(values.bits, japanese);
      if (!values.other_name.empty()) {
        message += japanese ? "32 ビット版の norvel なら、Windows に付属の「" + values.other_name +
                                  "」で .mdb を開けます。"
                            : " A 32-bit norvel can open .mdb files with Windows' own \"" +
                                  values.other_name + "\".";
      }
      return message;
    }
    case Situation::oracleDriverNotRegistered: {
      const std::string bits = std::to_string(values.bits);
      return japanese ? "Oracle の ODBC ドライバー（「Oracle in …」）が、この " + bits +
                            " ビット版の norvel から使える形で登録されていません。Oracle Instant "
                            "Client の " +
                            bits +
                            " ビット版に ODBC パッケージを加えてインストールし、その "
                            "odbc_install.exe で登録してください。"
                      : "No Oracle ODBC driver (\"Oracle in …\") is registered for this " + bits +
                            "-bit norvel. Install the " + bits +
                            "-bit Oracle Instant Client with its ODBC package and register the "
                            "driver with its odbc_install.exe.";
    }
    case Situation::noStatement:
      return japanese ? "SQL 文がありません。" : "There is no SQL statement.";
    case Situation::multipleStatements:
      return japanese ? "SQL 文が複数含まれています。何も実行していません。"
                      : "The text holds more than one SQL statement; nothing was run.";
    case Situation::emptyQuery:
      return japanese ? "クエリに SQL 文がありません。" : "The query holds no SQL statement.";
    case Situation::queryChangesData:
      return japanese ? "クエリでデータベースを変更することはできません。"
                      : "A query cannot change the database.";
    case Situation::checkOnlyCommit:
      return japanese ? "確認のみのトランザクションはコミットできません。"
                      : "A check-only transaction cannot be committed.";
    case Situation::transactionAlreadyOpen:
      return japanese ? "この接続ではトランザクションがすでに開始されています。"
                      : "A transaction is already open on this connection.";
    case Situation::noTransaction:
      return japanese ? "この接続ではトランザクションが開始されていません。"
                      : "No transaction is open on this connection.";
    case Situation::connectionClosed:
      return japanese ? "オブジェクトが閉じている場合は、操作は許可されません。"
                      : "The operation is not allowed when the object is closed.";
    case Situation::fileReplaced:
      return path + (japanese ? ": データベースファイルが、開いている間にほかのプログラムによって"
                                "削除されたか置き換えられました。何もコミットされていません。"
                              : ": the database file was deleted or replaced by another program "
                                "while it was open; nothing was committed.");
    case Situation::connectionLost:
      placed = true;
      return text.empty() ? lostSentence(japanese) : text + " (" + lostSentence(japanese) + ")";
    case Situation::noEnvironment:
      return japanese ? "ODBC ドライバーマネージャーが環境ハンドルを割り当てられませんでした。"
                      : "The ODBC driver manager could not allocate an environment handle.";
    case Situation::noQueryRows:
      return japanese ? "このデータソースは、クエリの行を置換の実行に返せません。"
                      : "This data source cannot return the rows of a query to the run.";
    case Situation::sourceHasNoColumn:
      return japanese ? "一時テーブルの元になるクエリに列がありません。"
                      : "The query the temporary table is made from has no column.";
    case Situation::sourceHasNoTableColumn:
      return japanese ? "一時テーブルの元になるクエリにテーブルの列がありません。"
                      : "The query the temporary table is made from has no column of a table.";
    case Situation::declaredTypeUnknown:
      return japanese ? "この SQLite ライブラリでは列の宣言型を調べられません。"
                      : "This SQLite library cannot tell the declared type of a column.";
    case Situation::columnTypeUnknown:
      return japanese ? "一時テーブルの列の型を調べられませんでした。"
                      : "The type of the temporary table's column could not be read.";
    case Situation::fieldTypeUnknown:
      return japanese ? "フィールドの型を調べられませんでした。"
                      : "The type of the field could not be read.";
    case Situation::strictModeOff:
      return japanese ? "このセッションでは厳密な SQL モード（STRICT_TRANS_TABLES など）が"
                        "有効になっていません。"
                      : "Strict SQL mode (STRICT_TRANS_TABLES or the like) is off in this "
                        "session.";
  }
  placed = true;
  return text;
}

}  // namespace

std::string situationText(const DatabaseError& error, Language language) {
  bool placed = false;
  std::string words = sentence(error, language == Language::japanese, placed);
  // A situation whose sentence leaves no place for the error's own text still shows it.
  if (!placed && *error.what() != '\0') words += std::string("\r\n") + error.what();
  return words;
}

}  // namespace norvel
