#include "platform/posix/posix_file_system.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "temporary_directory.h"

namespace norvel {
namespace {

using testing_support::readBytes;
using testing_support::runUnprivileged;
using testing_support::TemporaryDirectory;
using testing_support::writeBytes;

constexpr int kPassed = 0;
constexpr int kWrongResult = 1;

mode_t permissionBits(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

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
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_limit_);
    saved_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_limit_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_limit_);
    ::signal(SIGXFSZ, saved_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_limit_{};
  sighandler_t saved_handler_;
};

class PosixFileSystemTest : public testing::Test {
 protected:
  TemporaryDirectory directory_;
  PosixFileSystem files_;
};

TEST_F(PosixFileSystemTest, CanOpenForReadingOnlyReadableRegularFiles) {
  const std::string file = directory_.file("pairs.csv");
  const std::string empty = directory_.file("empty.csv");
  const std::string folder = directory_.file("folder");
  const std::string fifo = directory_.file("fifo");
  writeBytes(file, "100-0001,100-0002\r\n");
  writeBytes(empty, "");
  std::filesystem::create_directory(folder);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::filesystem::create_symlink(file, directory_.file("link.csv"));
  std::filesystem::create_symlink(directory_.file("gone.csv"), directory_.file("dangling.csv"));

  EXPECT_TRUE(files_.canOpenForReading(file));
  EXPECT_TRUE(files_.canOpenForReading(empty));
  EXPECT_TRUE(files_.canOpenForReading(directory_.file("link.csv")));
  EXPECT_FALSE(files_.canOpenForReading(directory_.file("missing.csv")));
  EXPECT_FALSE(files_.canOpenForReading(directory_.file("dangling.csv")));
  EXPECT_FALSE(files_.canOpenForReading(folder));
  EXPECT_FALSE(files_.canOpenForReading(fifo)) << "and it must not wait for a writer";
  EXPECT_FALSE(files_.canOpenForReading("/dev/null"));
  EXPECT_FALSE(files_.canOpenForReading(file + "/pairs.csv"));
  EXPECT_FALSE(files_.canOpenForReading(""));
  EXPECT_FALSE(files_.canOpenForReading(std::string("pairs\0.csv", 10)));
}

TEST_F(PosixFileSystemTest, CanOpenForReadingIsFalseWithoutReadPermission) {
  const std::string file = directory_.file("locked.csv");
  writeBytes(file, "100-0001,100-0002\r\n");
  ::chmod(file.c_str(), 0200);
  ::chmod(directory_.path().c_str(), 0755);
  const int status = runUnprivileged(
      [&] { return !PosixFileSystem().canOpenForReading(file) ? kPassed : kWrongResult; });
  if (status < 0) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, kPassed);
}

TEST_F(PosixFileSystemTest, ReadFileReturnsEveryByte) {
  std::string bytes("\x82\xA0,\x00\x80\xFF\r\n\n\r", 10);
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  const std::string file = directory_.file("big.csv");
  writeBytes(file, bytes);
  EXPECT_TRUE(files_.readFile(file) == bytes);
  writeBytes(file, "");
  EXPECT_EQ(files_.readFile(file), "");
}

TEST_F(PosixFileSystemTest, ReadFileFailuresNameThePathAndTheReason) {
  const std::string missing = directory_.file("missing.csv");
  const std::string folder = directory_.file("folder");
  std::filesystem::create_directory(folder);
  EXPECT_EQ(errorOf([&] { files_.readFile(missing); }), missing + ": No such file or directory");
  EXPECT_EQ(errorOf([&] { files_.readFile(folder); }), folder + ": Is a directory");
}

TEST_F(PosixFileSystemTest, ReadFileWithoutPermissionFails) {
  const std::string file = directory_.file("locked.csv");
  writeBytes(file, "x");
  ::chmod(file.c_str(), 0200);
  ::chmod(directory_.path().c_str(), 0755);
  const int status = runUnprivileged([&] {
    return errorOf([&] { PosixFileSystem().readFile(file); }) == file + ": Permission denied"
               ? kPassed
               : kWrongResult;
  });
  if (status < 0) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, kPassed);
}

TEST_F(PosixFileSystemTest, RemoveFileDeletesTheFile) {
  const std::string file = directory_.file("pairs.csv");
  writeBytes(file, "x");
  files_.removeFile(file);
  EXPECT_EQ(directory_.listing(), "");
}

TEST_F(PosixFileSystemTest, RemoveFileFailuresNameThePathAndTheReason) {
  const std::string missing = directory_.file("missing.csv");
  const std::string folder = directory_.file("folder");
  std::filesystem::create_directory(folder);
  EXPECT_EQ(errorOf([&] { files_.removeFile(missing); }), missing + ": No such file or directory");
  EXPECT_EQ(errorOf([&] { files_.removeFile(folder); }), folder + ": Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(PosixFileSystemTest, ReplaceFileCreatesANewFileUnderTheUmask) {
  const std::string file = directory_.file("pairs.csv");
  const mode_t saved = ::umask(027);
  files_.replaceFile(file, std::string("100-0001,\x82\xA0\r\n", 13));
  ::umask(saved);
  EXPECT_EQ(readBytes(file), std::string("100-0001,\x82\xA0\r\n", 13));
  EXPECT_EQ(permissionBits(file), 0640u);
  EXPECT_EQ(directory_.listing(), "pairs.csv");
}

TEST_F(PosixFileSystemTest, ReplaceFileReplacesContentAndKeepsPermissions) {
  for (const mode_t mode : {0600u, 0644u, 0755u}) {
    SCOPED_TRACE(mode);
    const std::string file = directory_.file("pairs.csv");
    writeBytes(file, "old,old\r\nold,old\r\nold,old\r\n");
    ::chmod(file.c_str(), mode);
    files_.replaceFile(file, "new,new\r\n");
    EXPECT_EQ(readBytes(file), "new,new\r\n");
    EXPECT_EQ(permissionBits(file), mode);
    EXPECT_EQ(directory_.listing(), "pairs.csv");
  }
}

TEST_F(PosixFileSystemTest, ReplaceFileWithNothingLeavesAnEmptyFile) {
  const std::string file = directory_.file("pairs.csv");
  writeBytes(file, "100-0001,100-0002\r\n");
  files_.replaceFile(file, "");
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST_F(PosixFileSystemTest, ReplaceFileRelativeToTheCurrentDirectory) {
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(directory_.path());
  files_.replaceFile("pairs.csv", "a,b\r\n");
  std::filesystem::current_path(saved);
  EXPECT_EQ(readBytes(directory_.file("pairs.csv")), "a,b\r\n");
  EXPECT_EQ(directory_.listing(), "pairs.csv");
}

TEST_F(PosixFileSystemTest, ReplaceFileOnAFullDiskKeepsTheOldFile) {
  const std::string file = directory_.file("pairs.csv");
  const std::string old_bytes = "100-0001,100-0002\r\n";
  writeBytes(file, old_bytes);
  // More than fits: the first write stops short at the limit, the next one fails.
  const std::string new_bytes(10000, '9');
  std::string error;
  {
    const FileSizeLimit limit(4096);
    error = errorOf([&] { files_.replaceFile(file, new_bytes); });
  }
  EXPECT_EQ(error, file + ": File too large");
  EXPECT_EQ(readBytes(file), old_bytes);
  EXPECT_EQ(directory_.listing(), "pairs.csv");
}

TEST_F(PosixFileSystemTest, ReplaceFileOnAFullDiskCreatesNothing) {
  const std::string file = directory_.file("pairs.csv");
  std::string error;
  {
    const FileSizeLimit limit(0);
    error = errorOf([&] { files_.replaceFile(file, "a,b\r\n"); });
  }
  EXPECT_EQ(error, file + ": File too large");
  EXPECT_EQ(directory_.listing(), "");
}

TEST_F(PosixFileSystemTest, ReplaceFileInAFolderThatCannotBeWrittenKeepsTheOldFile) {
  const std::string file = directory_.file("pairs.csv");
  writeBytes(file, "old,old\r\n");
  ::chmod(directory_.path().c_str(), 0555);
  const int status = runUnprivileged([&] {
    const std::string error = errorOf([&] { PosixFileSystem().replaceFile(file, "new,new\r\n"); });
    return error == file + ": Permission denied" ? kPassed : kWrongResult;
  });
  if (status < 0) GTEST_SKIP() << "cannot drop root privileges here";
  EXPECT_EQ(status, kPassed);
  EXPECT_EQ(readBytes(file), "old,old\r\n");
  EXPECT_EQ(directory_.listing(), "pairs.csv");
}

TEST_F(PosixFileSystemTest, ReplaceFileWhereTheFolderIsNoFolder) {
  const std::string not_a_folder = directory_.file("file");
  writeBytes(not_a_folder, "x");
  const std::string missing_folder = directory_.file("missing");
  EXPECT_EQ(errorOf([&] { files_.replaceFile(not_a_folder + "/pairs.csv", "a,b\r\n"); }),
            not_a_folder + "/pairs.csv: Not a directory");
  EXPECT_EQ(errorOf([&] { files_.replaceFile(missing_folder + "/pairs.csv", "a,b\r\n"); }),
            missing_folder + "/pairs.csv: No such file or directory");
  EXPECT_EQ(readBytes(not_a_folder), "x");
  EXPECT_EQ(directory_.listing(), "file");
}

TEST_F(PosixFileSystemTest, ReplaceFileThatFailsAtTheRenameRemovesTheWrittenCopy) {
  // The whole new file is written before the rename finds a folder in the way.
  const std::string folder = directory_.file("pairs.csv");
  std::filesystem::create_directory(folder);
  writeBytes(folder + "/inside", "kept");
  EXPECT_EQ(errorOf([&] { files_.replaceFile(folder, "a,b\r\n"); }), folder + ": Is a directory");
  EXPECT_EQ(readBytes(folder + "/inside"), "kept");
  EXPECT_EQ(directory_.listing(), "pairs.csv");
}

TEST_F(PosixFileSystemTest, ReplaceFileWithAnEmptyPathFails) {
  EXPECT_EQ(errorOf([&] { files_.replaceFile("", "a,b\r\n"); }), ": No such file or directory");
}

}  // namespace
}  // namespace norvel
