// Saves the system refuses leave the workbook as it was: a folder the user may not write in,
// a disk with no room left. Each runs in a child process of its own, which may give up root or
// mount a small file system of its own that nobody else sees.
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>

#include "workbook_test_support.h"

namespace norvel::test {
namespace {

constexpr uid_t kNobody = 65534;

// What body returns in a child process, or why the child gave no answer.
std::string inChildProcess(const std::function<std::string()>& body) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return std::string("pipe: ") + std::strerror(errno);
  const pid_t child = ::fork();
  if (child < 0) return std::string("fork: ") + std::strerror(errno);
  if (child == 0) {
    ::close(pipe_fds[0]);
    std::string answer;
    try {
      answer = body();
    } catch (const std::exception& error) {
      answer = std::string("exception: ") + error.what();
    }
    for (std::string_view rest = answer; !rest.empty();) {
      const ssize_t n = ::write(pipe_fds[1], rest.data(), rest.size());
      if (n <= 0) break;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  std::string answer;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
  ::close(pipe_fds[0]);
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "the child process ended abnormally: " + answer;
  }
  return answer;
}

std::string fileNamesIn(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto& name : names) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}

// A changed cell committed: the error, whether the file holds its old bytes, what the folder
// holds afterwards; one line each.
std::string commitOneChange(const std::string& path) {
  const std::string before = readBytes(path);
  auto db = openWorkbook(path, true);
  db->beginTransaction();
  if (db->execute(kUpdateText) != 2) return "the update did not find its rows";
  std::string error = "saved";
  try {
    db->commitTransaction();
  } catch (const DatabaseError& e) {
    error = e.what();
  }
  return error + "\n" + (readBytes(path) == before ? "as it was" : "changed") + "\n" +
         fileNamesIn(fs::path(path).parent_path());
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// A mount namespace of this process's own, where mounts are private: root needs only that;
// others get a user namespace in which they are root.
std::string enterPrivateMounts() {
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  if (uid != 0) {
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      return std::string("unshare: ") + std::strerror(errno);
    }
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
    std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
  } else if (::unshare(CLONE_NEWNS) != 0) {
    return std::string("unshare: ") + std::strerror(errno);
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return std::string("mount --make-rprivate /: ") + std::strerror(errno);
  }
  return "";
}

// Writes until nothing more fits.
void fillUp(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string chunk(4096, 'x');
  while (fd >= 0 && ::write(fd, chunk.data(), chunk.size()) > 0) {
  }
  ::close(fd);
}

TEST_F(WorkbookTest, ASaveIntoAReadOnlyFolderFailsWithTheSystemsReasonAndLeavesTheWorkbook) {
  // The file may be written, the folder may not: the temporary file beside it cannot be made.
  const std::string path = book("addresses", "ro/住所録.xlsx");
  const fs::path folder = fs::path(path).parent_path();
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::others_read |
                                   fs::perms::others_exec | fs::perms::group_read |
                                   fs::perms::group_exec);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  }
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const std::string before = readBytes(path);

  // Root may write in any folder: the save runs as the file's owner, "nobody", then.
  const std::string answer = inChildProcess([&]() -> std::string {
    if (root &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      return std::string("setuid: ") + std::strerror(errno);
    }
    return commitOneChange(path);
  });
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);

  EXPECT_THAT(linesOf(answer),
              ::testing::ElementsAre("ブック「" + path + "」を保存できません: Permission denied",
                                     "as it was", "住所録.xlsx"))
      << answer;
  EXPECT_EQ(readBytes(path), before);
}

TEST_F(WorkbookTest, ASaveOntoAFullDiskFailsWithTheSystemsReasonAndLeavesTheWorkbook) {
  const std::string bytes = readBytes(book("addresses"));
  const fs::path disk = dir_.path() / "disk";
  fs::create_directory(disk);
  const std::string path = (disk / "住所録.xlsx").string();

  // A 512 KiB disk of the child's own, the workbook on it, the rest filled.
  const std::string answer = inChildProcess([&]() -> std::string {
    if (std::string why = enterPrivateMounts(); !why.empty()) return "skip: " + why;
    if (::mount("norvel-full", disk.c_str(), "tmpfs", 0, "size=512k") != 0) {
      return std::string("skip: mount tmpfs: ") + std::strerror(errno);
    }
    writeBytes(path, bytes);
    fillUp((disk / "filler").string());
    if (readBytes(path) != bytes) return "the workbook was not written whole";
    return commitOneChange(path);
  });
  if (answer.rfind("skip: ", 0) == 0) GTEST_SKIP() << answer;

  EXPECT_THAT(
      linesOf(answer),
      ::testing::ElementsAre("ブック「" + path + "」を保存できません: No space left on device",
                             "as it was", "filler 住所録.xlsx"))
      << answer;
}

}  // namespace
}  // namespace norvel::test
