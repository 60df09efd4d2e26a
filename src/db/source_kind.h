#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace norvel {

// The kinds of data source, numbered as the tabs of sst対象.
enum class SourceKind { access = 0, oracle = 1, excel = 2, connectionString = 3 };

inline constexpr std::array<SourceKind, 4> kSourceKinds = {
    SourceKind::access, SourceKind::oracle, SourceKind::excel, SourceKind::connectionString};

// The kind of a tab index; any index but 0, 1 and 2 is the typed connection string.
SourceKind sourceKindOfTab(int tab);

// The caption of the kind's tab.
std::string_view sourceKindCaption(SourceKind kind);

// What the user gives on the kind's tab; each kind reads only its own inputs.
struct SourceInputs {
  std::string path;  // Access database or Excel workbook, as typed
  std::string user;
  std::string password;
  std::string host;
  // chkフィールド名使用: 1 ticked (row 1 holds the field names), 0 unticked, 2 greyed.
  int header_check = 1;
  std::string connection_string;  // typed on the fourth tab
};

// The input without which the window does not even offer to connect (接続 stays disabled).
std::string_view primaryInput(SourceKind kind, const SourceInputs& inputs);

// A required input that is empty (missingInputText words it), or nothing when the kind can be
// opened. Blanks count as input.
enum class MissingInput {
  databasePath,     // Access: the MDB file
  userAndPassword,  // Oracle
  workbookPath,     // Excel
  connectionString,
};
std::optional<MissingInput> missingInput(SourceKind kind, const SourceInputs& inputs);

// The connection string of the kind, built from its inputs; the typed one exactly as typed.
std::string buildConnectionString(SourceKind kind, const SourceInputs& inputs);

}  // namespace norvel
