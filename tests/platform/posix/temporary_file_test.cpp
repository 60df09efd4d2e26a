#include "platform/posix/temporary_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/posix/posix_file_system.h"
#include "support/temp_dir.h"

namespace norvel {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::writeBytes;

std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// A pid that no process has any more.
pid_t finishedPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

struct Signalled {
  int status = 0;
  bool temporary_left = false;
};

// A child process installs the cleanup (after prepare), starts writing a temporary file for
// target and waits; it gets the signals one after the other.
Signalled signalDuringSave(const std::string& target, std::initializer_list<int> signals,
                           void (*prepare)() = nullptr) {
  int ready[2];
  if (::pipe(ready) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    if (prepare != nullptr) prepare();
    installTempFileCleanup();
    TemporaryFile temporary(target);
    const std::string& path = temporary.path();
    if (::write(ready[1], path.c_str(), path.size()) < 0) ::_exit(2);
    ::close(ready[1]);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char path[4096] = {};
  const auto n = ::read(ready[0], path, sizeof path - 1);
  ::close(ready[0]);
  Signalled result;
  EXPECT_GT(n, 0);
  EXPECT_TRUE(fs::exists(path));
  for (int signal : signals) {
    ::kill(child, signal);
    ::usleep(20000);
  }
  ::waitpid(child, &result.status, 0);
  result.temporary_left = fs::exists(path);
  return result;
}

TEST(TemporaryFileTest, InterruptOrTerminateRemovesTheFileAndStillEndsTheProcessBySignal) {
  testing::TempDir dir;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const Signalled result = signalDuringSave(dir.file("book.xlsx"), {signal});
    EXPECT_TRUE(WIFSIGNALED(result.status) && WTERMSIG(result.status) == signal) << signal;
    EXPECT_FALSE(result.temporary_left) << signal;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(TemporaryFileTest, IgnoredSignalsStayIgnoredAndEarlierHandlersStillRun) {
  testing::TempDir dir;
  // Started under nohup: the hangup changes nothing, a termination still cleans up.
  Signalled result =
      signalDuringSave(dir.file("book.xlsx"), {SIGHUP, SIGTERM}, [] { ::signal(SIGHUP, SIG_IGN); });
  EXPECT_TRUE(WIFSIGNALED(result.status) && WTERMSIG(result.status) == SIGTERM);
  EXPECT_FALSE(result.temporary_left);

  // A handler that was there first runs after the file is gone.
  result = signalDuringSave(dir.file("book.xlsx"), {SIGTERM},
                            [] { ::signal(SIGTERM, [](int) { ::_exit(7); }); });
  EXPECT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 7);
  EXPECT_FALSE(result.temporary_left);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(TemporaryFileTest, ASaveRemovesOnlyWhatAKilledSaveOfThatFileLeftBehind) {
  testing::TempDir dir;
  const std::string target = dir.file("住所録.xlsx");
  writeBytes(target, "old");
  const std::string dead = std::to_string(finishedPid());
  const std::string alive = std::to_string(::getppid());
  const std::string stale = "住所録.xlsx.norvel-" + dead + "-a1B2c3";
  const std::set<std::string> kept = {
      "住所録.xlsx",
      "住所録.xlsx.norvel-" + alive + "-a1B2c3",  // a save still running
      "住所録.xlsx.norvel-" + dead + "-a1B2c",    // not mkostemp's six characters
      "住所録.xlsx.norvel-" + dead + "-a1B2c3d",
      "住所録.xlsx.norvel-" + dead + "-a1B2c.",
      "住所録.xlsx.norvel-0" + dead + "-a1B2c3",
      "住所録.xlsx.norvel--a1B2c3",
      "住所録.xlsx.a1B2c3",  // the names of other programs
      "x住所録.xlsx.norvel-" + dead + "-a1B2c3",
      "other.xlsx.norvel-" + dead + "-a1B2c3",
      "住所録.xlsx.norvel-" + dead + "-dir123",  // a folder
      "住所録.xlsx.norvel-" + dead + "-link12",  // a symbolic link
      "住所録.xlsx.norvel-" + dead + "-nobody",  // another user's file
  };
  for (const auto& name : kept) {
    if (name.ends_with("dir123")) {
      fs::create_directory(dir.file(name));
    } else if (name.ends_with("link12")) {
      fs::create_symlink(target, dir.file(name));
    } else if (name != "住所録.xlsx") {
      writeBytes(dir.file(name), name);
    }
  }
  writeBytes(dir.file(stale), "left by kill -9");
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(dir.file("住所録.xlsx.norvel-" + dead + "-nobody").c_str(), 65534, 65534), 0);
  } else {
    fs::remove(dir.file("住所録.xlsx.norvel-" + dead + "-nobody"));
  }
  const auto before = namesIn(dir.path());

  PosixFileSystem().replaceFile(target, "new");
  EXPECT_EQ(readBytes(target), "new");
  auto expected = before;
  expected.erase(stale);
  EXPECT_EQ(namesIn(dir.path()), expected);
  EXPECT_EQ(readBytes(target + ".norvel-" + alive + "-a1B2c3"),
            "住所録.xlsx.norvel-" + alive + "-a1B2c3");
}

}  // namespace
}  // namespace norvel
