#include "db/source_kind.h"

#include "db/connection_string.h"

namespace norvel {

SourceKind sourceKindOfTab(int tab) {
  switch (tab) {
    case 0:
      return SourceKind::access;
    case 1:
      return SourceKind::oracle;
    case 2:
      return SourceKind::excel;
    default:
      return SourceKind::connectionString;
  }
}

std::string_view sourceKindCaption(SourceKind kind) {
  switch (kind) {
    case SourceKind::access:
      return "Microsoft Access";
    case SourceKind::oracle:
      return "Oracle";
    case SourceKind::excel:
      return "Microsoft Excel";
    case SourceKind::connectionString:
      break;
  }
  return "その他（ＡＤＯ）";
}

std::string_view primaryInput(SourceKind kind, const SourceInputs& inputs) {
  switch (kind) {
    case SourceKind::access:
    case SourceKind::excel:
      return inputs.path;
    case SourceKind::oracle:
      return inputs.user;
    case SourceKind::connectionString:
      break;
  }
  return inputs.connection_string;
}

std::optional<MissingInput> missingInput(SourceKind kind, const SourceInputs& inputs) {
  switch (kind) {
    case SourceKind::access:
      if (inputs.path.empty()) return MissingInput::databasePath;
      break;
    case SourceKind::oracle:
      // The host may be empty: the provider then takes its default data source.
      if (inputs.user.empty() || inputs.password.empty()) {
        return MissingInput::userAndPassword;
      }
      break;
    case SourceKind::excel:
      if (inputs.path.empty()) return MissingInput::workbookPath;
      break;
    case SourceKind::connectionString:
      if (inputs.connection_string.empty()) {
        return MissingInput::connectionString;
      }
      break;
  }
  return std::nullopt;
}

std::string buildConnectionString(SourceKind kind, const SourceInputs& inputs) {
  switch (kind) {
    case SourceKind::access:
      return accessConnectionString(inputs.path);
    case SourceKind::oracle:
      return oracleConnectionString(inputs.user, inputs.password, inputs.host);
    case SourceKind::excel:
      return excelConnectionString(inputs.path, inputs.header_check);
    case SourceKind::connectionString:
      break;
  }
  return inputs.connection_string;
}

}  // namespace norvel
