// What the window and norvel-batch say right after connecting when a run could not write: a
// real SQLite file without write bits, and a folder an ordinary user may not write in (root
// writes anywhere, so an ordinary user's child tries).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "db/write_check.h"
#include "platform/posix/posix_file_system.h"
#include "platform/sqlite/sqlite_connection.h"
#include "support/sqlite_fixture.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace norvel {
namespace {

class WriteCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::SqliteFile(path_).exec("CREATE TABLE t (code TEXT)");
    ::chmod(path_.c_str(), 0644);
  }
  void TearDown() override {
    ::chmod(dir_.path().c_str(), 0755);
    ::chmod(path_.c_str(), 0644);
  }

  std::string warningFor(Language language, CheckName check) {
    auto connection = openSqlite(path_);
    return writeWarningOf(*connection, path_, files_, language, check);
  }

  testing::TempDir dir_;
  std::string path_ = dir_.file("address.sqlite");
  PosixFileSystem files_;
};

TEST_F(WriteCheckTest, AWritableFileIsNotWarned) {
  EXPECT_EQ(warningFor(Language::japanese, CheckName::window), "");
}

TEST_F(WriteCheckTest, AFileWithoutWriteBitsIsNamedInJapaneseOnly) {
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  EXPECT_EQ(warningFor(Language::japanese, CheckName::window),
            "このデータベースファイルは読み取り専用です。置換を実行しても失敗します"
            "（確認のみの実行はできます）。");
  EXPECT_EQ(warningFor(Language::japanese, CheckName::batch),
            "このデータベースファイルは読み取り専用です。置換を実行しても失敗します"
            "（--dry-run はできます）。");
  EXPECT_EQ(warningFor(Language::english, CheckName::batch), "");
}

TEST_F(WriteCheckTest, AFolderThatMayNotBeWrittenIsNamed) {
  // The file itself may be written by anyone: only the folder stands in the way.
  ASSERT_EQ(::chmod(path_.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
  const int status = testing::runUnprivileged([&] {
    return warningFor(Language::japanese, CheckName::window) ==
                   "データベースファイルのフォルダーに書き込めません。置換を実行しても失敗します"
                   "（確認のみの実行はできます）。"
               ? 0
               : 1;
  });
  if (status < 0) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace norvel
