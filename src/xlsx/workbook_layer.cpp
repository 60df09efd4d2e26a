#include "xlsx/workbook_layer.h"

#include <string_view>

#include "xls/xls_format.h"
#include "xlsx/workbook_connection.h"
#include "xlsx/workbook_file.h"

namespace norvel {

namespace {

// Compound documents: Excel 97-2003 workbooks, and .xlsx files protected by a password.
bool isCompoundDocument(std::string_view bytes) {
  return bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

bool isEncryptedPackage(std::string_view bytes) {
  // The stream name "EncryptedPackage" in a compound document's directory, in UTF-16LE.
  static const std::string name = [] {
    std::string utf16;
    for (char c : std::string_view("EncryptedPackage")) {
      utf16 += c;
      utf16 += '\0';
    }
    return utf16;
  }();
  return bytes.find(name) != std::string_view::npos;
}

}  // namespace

std::unique_ptr<DatabaseConnection> openWorkbook(const std::string& path, bool header_row) {
  return openWorkbook(path, header_row, xlsx::nativeFileSystem());
}

std::unique_ptr<DatabaseConnection> openWorkbook(const std::string& path, bool header_row,
                                                 FileSystem& files) {
  if (path.empty()) throw DatabaseError("Excel ブックのファイルが指定されていません。");
  const std::string context = "ブック「" + path + "」を開けません: ";
  try {
    xlsx::LoadedFile file = xlsx::loadFile(path, files);
    if (file.bytes.empty()) throw DatabaseError("ファイルが空です");
    if (isCompoundDocument(file.bytes)) {
      if (isEncryptedPackage(file.bytes)) {
        throw DatabaseError(
            "パスワードで保護されたブックです。Excel でパスワードを解除し、Excel ブック（.xlsx）"
            "として保存してください");
      }
      return std::make_unique<xlsx::WorkbookConnection>(std::move(file), header_row,
                                                        std::make_unique<xls::XlsFormat>(), files);
    }
    return std::make_unique<xlsx::WorkbookConnection>(std::move(file), header_row,
                                                      xlsx::InflateLimits{}, files);
  } catch (const DatabaseError& e) {
    // A situation keeps its kind, for the catalogue to word.
    if (e.situation() != DatabaseSituation::none) throw;
    throw DatabaseError(context + e.what());
  }
}

}  // namespace norvel
