#include "xlsx/workbook_layer.h"

#include <string_view>

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
  if (path.empty()) throw DatabaseError("No Excel workbook file is named.");
  const std::string context = "Cannot open the workbook \"" + path + "\": ";
  try {
    xlsx::LoadedFile file = xlsx::loadFile(path);
    if (file.bytes.empty()) throw DatabaseError("the file is empty");
    if (isCompoundDocument(file.bytes)) {
      if (isEncryptedPackage(file.bytes)) {
        throw DatabaseError(
            "the workbook is protected with a password; remove the password in Excel and save "
            "it as an Excel Workbook (.xlsx)");
      }
      throw DatabaseError(
          "it is an Excel 97-2003 workbook (.xls), which cannot be opened; open it in Excel, save "
          "it as an Excel Workbook (.xlsx) and connect to that file");
    }
    return std::make_unique<xlsx::WorkbookConnection>(std::move(file), header_row);
  } catch (const DatabaseError& e) {
    throw DatabaseError(context + e.what());
  }
}

}  // namespace norvel
