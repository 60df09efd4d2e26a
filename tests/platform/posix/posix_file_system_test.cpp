#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <tuple>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace norvel {
namespace {

using testing::readBytes;
using testing::writeBytes;

// The message a FileError carries, or "no error".
template <typename Action>
std::string errorOf(Action action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}

// Caps the size of any file this process writes, as a full disk would; writes beyond it fail
// with EFBIG instead of raising SIGXFSZ.
std::string replaceOnAFullDisk(const std::string& path, std::string_view bytes, rlim_t limit) {
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const sighandler_t saved_handler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit capped = saved;
  capped.rlim_cur = limit;
  ::setrlimit(RLIMIT_FSIZE, &capped);
  const std::string error = errorOf([&] { PosixFileSystem().replaceFile(path, bytes); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, saved_handler);
  return error;
}

class PosixFileSystemTest : public ::testing::Test {
 protected:
  // The folder's entry count: no temporary file may be left behind.
  std::ptrdiff_t entries() const {
    return std::distance(std::filesystem::directory_iterator(dir_.path()), {});
  }

  testing::TempDir dir_;
  std::string file_ = dir_.file("pairs.csv");
  PosixFileSystem files_;
};

TEST_F(PosixFileSystemTest, ReadsEveryByteOfRegularFilesOrFailsWithTheSystemsText) {
  std::string bytes("\x82\xA0,\x00\x80\xFF\r\n\n\r", 10);
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  writeBytes(file_, bytes);
  EXPECT_TRUE(files_.canOpenForReading(file_));
  EXPECT_TRUE(files_.readFile(file_) == bytes);
  const std::string missing = dir_.file("missing.csv");
  const std::string folder = dir_.path().string();
  EXPECT_EQ(errorOf([&] { files_.readFile(missing); }), missing + ": No such file or directory");
  EXPECT_EQ(errorOf([&] { files_.readFile(folder); }), folder + ": Is a directory");
  // A FIFO must neither count nor make the check wait for a writer.
  ASSERT_EQ(::mkfifo(dir_.file("fifo").c_str(), 0644), 0);
  for (const std::string& path : {missing, folder, dir_.file("fifo"), file_ + '\0' + "x"}) {
    EXPECT_FALSE(files_.canOpenForReading(path)) << path;
  }
  EXPECT_EQ(errorOf([&] { files_.removeFile(missing); }), missing + ": No such file or directory");
  files_.removeFile(dir_.file("fifo"));
  EXPECT_EQ(entries(), 1);
}

TEST_F(PosixFileSystemTest, ReplaceFileKeepsThePermissionsOrUsesTheUmask) {
  const mode_t saved = ::umask(027);
  files_.replaceFile(file_, std::string("100-0001,\x82\xA0\r\n", 13));
  ::umask(saved);
  EXPECT_EQ(readBytes(file_), std::string("100-0001,\x82\xA0\r\n", 13));
  EXPECT_EQ(std::filesystem::status(file_).permissions(), std::filesystem::perms(0640));
  ::chmod(file_.c_str(), 0755);
  files_.replaceFile(file_, "");
  EXPECT_EQ(readBytes(file_), "");
  EXPECT_EQ(std::filesystem::status(file_).permissions(), std::filesystem::perms(0755));
  EXPECT_EQ(entries(), 1);
}

TEST_F(PosixFileSystemTest, FailedReplaceKeepsTheOldFileAndLeavesNoTemporaryFile) {
  writeBytes(file_, "old,old\r\n");
  // More than fits: the first write stops short at the limit, the next one fails.
  EXPECT_EQ(replaceOnAFullDisk(file_, std::string(10000, '9'), 4096), file_ + ": File too large");
  EXPECT_EQ(replaceOnAFullDisk(dir_.file("new.csv"), "a,b\r\n", 0),
            dir_.file("new.csv") + ": File too large");
  const std::string folder = dir_.file("folder");  // the rename finds a folder in the way
  std::filesystem::create_directory(folder);
  const std::pair<std::string, std::string> cases[] = {
      {file_ + "/pairs.csv", file_ + "/pairs.csv: Not a directory"},
      {dir_.file("missing/pairs.csv"), dir_.file("missing/pairs.csv: No such file or directory")},
      {folder, folder + ": Is a directory"},
      {"", ": No such file or directory"},
  };
  for (const auto& [path, error] : cases) {
    EXPECT_EQ(errorOf([&] { files_.replaceFile(path, "a,b\r\n"); }), error);
  }
  EXPECT_EQ(readBytes(file_), "old,old\r\n");
  EXPECT_EQ(entries(), 2);
}

// The cause a FileError carries, with its message.
template <typename Action>
std::pair<FileError::Cause, std::string> failureOf(Action action) {
  try {
    action();
  } catch (const FileError& error) {
    return {error.cause(), error.what()};
  }
  return {FileError::Cause::kOther, "no error"};
}

TEST_F(PosixFileSystemTest, AnIdentifiedFileIsTheLinksTargetAndItsIdentityShowsAnyChange) {
  writeBytes(file_, "100-0001,100-0002\r\n");
  const std::string link = dir_.file("link.csv");
  std::filesystem::create_symlink(file_, link);
  const IdentifiedFile read = files_.readIdentifiedFile(link);
  EXPECT_EQ(read.path, std::filesystem::canonical(file_).string());
  EXPECT_EQ(read.bytes, "100-0001,100-0002\r\n");
  EXPECT_EQ(read.identity.size, 19);
  EXPECT_FALSE(read.identity.read_only);
  EXPECT_TRUE(files_.identityOf(file_).sameFileAs(read.identity));
  files_.checkCanReplace(file_);

  // The same bytes again are another file: what was read is not what is there.
  files_.replaceFile(read.path, read.bytes);
  EXPECT_FALSE(files_.identityOf(file_).sameFileAs(read.identity));
  ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
  EXPECT_TRUE(files_.identityOf(link).read_only);
  EXPECT_EQ(failureOf([&] { files_.checkCanReplace(file_); }),
            std::pair(FileError::Cause::kReadOnlyFile, file_ + ": Permission denied"));
  EXPECT_EQ(readBytes(file_), "100-0001,100-0002\r\n");
}

TEST_F(PosixFileSystemTest, OnlyAnExistingRegularFileIsReadWithItsIdentity) {
  const std::string missing = dir_.file("missing.xlsx");
  const std::string folder = dir_.path().string();
  for (const auto& [path, cause, error] :
       std::vector<std::tuple<std::string, FileError::Cause, std::string>>{
           {missing, FileError::Cause::kOther, missing + ": No such file or directory"},
           {folder, FileError::Cause::kOther, folder + ": Is a directory"},
           {"/dev/null", FileError::Cause::kNotRegularFile, "/dev/null: not a regular file"},
       }) {
    EXPECT_EQ(failureOf([&] { files_.readIdentifiedFile(path); }), std::pair(cause, error));
  }
  EXPECT_EQ(failureOf([&] { files_.identityOf(missing); }),
            std::pair(FileError::Cause::kOther, missing + ": No such file or directory"));
  EXPECT_EQ(entries(), 0);
}

// Root may read and write whatever the permission bits say, so an ordinary user's child tries.
TEST_F(PosixFileSystemTest, UnreadableFileAndReadOnlyFolderFailForAnOrdinaryUser) {
  writeBytes(file_, "old,old\r\n");
  ::chmod(file_.c_str(), 0200);
  ::chmod(dir_.path().c_str(), 0555);
  const int status = testing::runUnprivileged([&] {
    PosixFileSystem files;
    if (files.canOpenForReading(file_)) return 1;
    if (errorOf([&] { files.readFile(file_); }) != file_ + ": Permission denied") return 2;
    return errorOf([&] { files.replaceFile(file_, "new\r\n"); }) == file_ + ": Permission denied"
               ? 0
               : 3;
  });
  if (status < 0) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, 0) << "1: readable, 2 or 3: another text";
  // Readable again, so that an ordinary user running the test can look at what is left.
  ::chmod(file_.c_str(), 0600);
  EXPECT_EQ(readBytes(file_), "old,old\r\n");
  EXPECT_EQ(entries(), 1);
}

}  // namespace
}  // namespace norvel
