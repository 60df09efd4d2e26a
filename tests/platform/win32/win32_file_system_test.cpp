// Files under Japanese names through the wide calls, the atomic replace, and the system's own
// texts, on a real folder.
#include "platform/win32/win32_file_system.h"

#include <gmock/gmock.h>
#include <windows.h>

#include <filesystem>

#include "platform/win32/win32_text.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no FileError";
}

// Listed through the wide calls, independent of the code under test.
std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(win32::utf8FromWide(entry.path().filename().wstring()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Win32FileSystemTest : public ::testing::Test {
 protected:
  std::string utf8(const fs::path& path) { return win32::utf8FromWide(path.wstring()); }

  testing::TempDir dir_;
  fs::path folder_ = dir_.path() / L"郵便";
  Win32FileSystem files_;
};

TEST_F(Win32FileSystemTest, JapaneseNamesAreWrittenReadAndRemovedAsTheyAre) {
  files_.createDirectories(utf8(folder_ / L"置換"));
  const std::string file = utf8(folder_ / L"置換" / L"顧客.csv");
  const std::string bytes("100-0001,100-0002\r\n\0\xFF", 21);

  files_.replaceFile(file, bytes);
  EXPECT_EQ(namesIn(folder_ / L"置換"), std::vector<std::string>{"顧客.csv"});
  EXPECT_TRUE(files_.canOpenForReading(file));
  EXPECT_EQ(files_.readFile(file), bytes);

  files_.replaceFile(file, "new");
  EXPECT_EQ(files_.readFile(file), "new");
  EXPECT_EQ(namesIn(folder_ / L"置換"), std::vector<std::string>{"顧客.csv"})
      << "no temporary file is left beside it";

  files_.removeFile(file);
  EXPECT_FALSE(files_.canOpenForReading(file));
  EXPECT_TRUE(namesIn(folder_ / L"置換").empty());
}

TEST_F(Win32FileSystemTest, FailuresCarryThePathAndTheSystemsText) {
  const std::string missing = utf8(folder_ / L"無い.csv");
  EXPECT_EQ(errorOf([&] { files_.readFile(missing); }),
            missing + ": " + win32::systemErrorText(ERROR_PATH_NOT_FOUND));
  fs::create_directory(folder_);
  EXPECT_EQ(errorOf([&] { files_.readFile(missing); }),
            missing + ": " + win32::systemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(errorOf([&] { files_.removeFile(missing); }),
            missing + ": " + win32::systemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(files_.canOpenForReading(missing));
  EXPECT_FALSE(files_.canOpenForReading(utf8(folder_))) << "a folder is no file to read";
  EXPECT_THAT(errorOf([&] { files_.readFile(std::string("a\0b", 3)); }), HasSubstr("a"));
  EXPECT_NE(win32::systemErrorText(ERROR_PATH_NOT_FOUND), "No such process");
}

TEST_F(Win32FileSystemTest, AFailedReplaceKeepsTheOldFileAndLeavesNoTemporaryFile) {
  fs::create_directory(folder_);
  const std::string file = utf8(folder_ / L"顧客.csv");
  files_.replaceFile(file, "old");
  // A read-only file is not replaced: Windows refuses, and the old bytes stay.
  ASSERT_TRUE(::SetFileAttributesW((folder_ / L"顧客.csv").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_THAT(errorOf([&] { files_.replaceFile(file, "new"); }), HasSubstr(file + ": "));
  ::SetFileAttributesW((folder_ / L"顧客.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(files_.readFile(file), "old");
  EXPECT_EQ(namesIn(folder_), std::vector<std::string>{"顧客.csv"});

  // A file into a folder that is not there: nothing is made.
  const std::string nowhere = utf8(folder_ / L"無い" / L"顧客.csv");
  EXPECT_THAT(errorOf([&] { files_.replaceFile(nowhere, "new"); }), HasSubstr(nowhere + ": "));
  EXPECT_EQ(namesIn(folder_), std::vector<std::string>{"顧客.csv"});

  // A folder where the file should be stays a folder, under its own name, with what it holds.
  const fs::path taken = folder_ / L"置換.csv";
  fs::create_directory(taken);
  fs::create_directory(taken / L"中身");
  EXPECT_EQ(errorOf([&] { files_.replaceFile(utf8(taken), "new"); }),
            utf8(taken) + ": " + win32::systemErrorText(ERROR_DIRECTORY));
  EXPECT_EQ(namesIn(folder_), (std::vector<std::string>{"置換.csv", "顧客.csv"}));
  EXPECT_EQ(namesIn(taken), std::vector<std::string>{"中身"});
}

TEST_F(Win32FileSystemTest, AnIdentifiedFileShowsAnyChangeAndTheReadOnlyAttribute) {
  fs::create_directory(folder_);
  const std::string file = utf8(folder_ / L"住所録.xlsx");
  files_.replaceFile(file, "old");
  const IdentifiedFile read = files_.readIdentifiedFile(file);
  EXPECT_EQ(read.bytes, "old");
  EXPECT_EQ(read.identity.size, 3);
  EXPECT_FALSE(read.identity.read_only);
  EXPECT_TRUE(files_.identityOf(read.path).sameFileAs(read.identity)) << read.path;
  files_.checkCanReplace(file);

  files_.replaceFile(file, "new");
  EXPECT_FALSE(files_.identityOf(file).sameFileAs(read.identity));
  ASSERT_TRUE(::SetFileAttributesW((folder_ / L"住所録.xlsx").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(files_.identityOf(file).read_only);
  try {
    files_.checkCanReplace(file);
    ADD_FAILURE() << "a read-only file may be replaced";
  } catch (const FileError& error) {
    EXPECT_EQ(error.cause(), FileError::Cause::kReadOnlyFile);
    EXPECT_EQ(error.what(), file + ": " + win32::systemErrorText(ERROR_ACCESS_DENIED));
  }
  ::SetFileAttributesW((folder_ / L"住所録.xlsx").c_str(), FILE_ATTRIBUTE_NORMAL);

  const std::string missing = utf8(folder_ / L"無い.xlsx");
  EXPECT_EQ(errorOf([&] { files_.readIdentifiedFile(missing); }),
            missing + ": " + win32::systemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(errorOf([&] { files_.readIdentifiedFile(utf8(folder_)); }),
            utf8(folder_) + ": " + win32::systemErrorText(ERROR_DIRECTORY));
  EXPECT_EQ(namesIn(folder_), std::vector<std::string>{"住所録.xlsx"});
}

TEST_F(Win32FileSystemTest, AFolderIsWritableWhenAFileCanBeMadeThere) {
  fs::create_directory(folder_);
  EXPECT_TRUE(files_.canWriteInDirectory(utf8(folder_)));
  EXPECT_TRUE(namesIn(folder_).empty()) << "the probe file is gone again";
  EXPECT_FALSE(files_.canWriteInDirectory(utf8(folder_ / L"無い")));
}

}  // namespace
}  // namespace norvel
