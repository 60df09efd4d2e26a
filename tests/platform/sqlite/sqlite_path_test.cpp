// The file names SQLite is given and the system's text when a file cannot be opened, on Linux
// and on Windows (where "C:\…" is a full path and errors are GetLastError codes).
#include <gmock/gmock.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/sqlite/sqlite_connection.h"
#include "platform/sqlite/sqlite_file.h"
#include "support/database_error.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"
#if defined(_WIN32)
#include "platform/win32/win32_text.h"
#endif

namespace norvel {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

#if defined(_WIN32)
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

TEST(SqlitePath, FullPathsStayAsTheyAreAndEverythingElseIsAFileName) {
  const struct {
    const char* path;
    bool absolute;
  } cases[] = {
      {"/srv/住所.sqlite", true},
      {"住所.sqlite", false},
      {"file:住所.sqlite", false},
      {":memory:", false},
      {"C:\\データ\\住所.sqlite", kWindows},
      {"c:/データ/住所.sqlite", kWindows},
      {"\\\\server\\share\\住所.sqlite", kWindows},
      {"C:住所.sqlite", false},
  };
  for (const auto& c : cases) EXPECT_EQ(sqlite::isAbsolutePath(c.path), c.absolute) << c.path;
}

// The test folder's path is a full one in the system's own form: "C:\users\…\Temp\…" on Windows.
TEST(SqlitePath, OpensADatabaseByItsFullPathInAJapaneseFolder) {
  testing::TempDir dir;
  const std::filesystem::path folder = dir.path() / std::filesystem::path(u8"郵便");
  std::filesystem::create_directory(folder);
  const std::string file = (folder / std::filesystem::path(u8"住所.sqlite")).string();
  testing::SqliteFile(file).exec("CREATE TABLE 住所(郵便番号 text); INSERT INTO 住所 VALUES ('1')");
  ASSERT_TRUE(std::filesystem::path(file).is_absolute()) << file;

  const auto connection = openSqlite(file);
  EXPECT_EQ(connection->execute("UPDATE 住所 SET 郵便番号 = '2'"), 1);
}

TEST(SqlitePath, AFileThatCannotBeOpenedCarriesTheSystemsOwnText) {
  testing::TempDir dir;
  const std::string missing = dir.file("無いフォルダ/住所.sqlite");
  const DatabaseError error = testing::databaseErrorOf([&] { openSqlite(missing); });
#if defined(_WIN32)
  // SQLite's error number is a GetLastError code here; read as errno, 3 said "No such process".
  EXPECT_THAT(error.what(), HasSubstr(win32::systemErrorText(ERROR_PATH_NOT_FOUND)));
  EXPECT_THAT(error.what(), Not(HasSubstr(std::strerror(ERROR_PATH_NOT_FOUND))));
#else
  EXPECT_THAT(error.what(), HasSubstr(std::strerror(ENOENT)));
#endif
  EXPECT_THAT(error.what(), HasSubstr(missing));
}

}  // namespace
}  // namespace norvel
