#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/file_descriptor.h"
#include "platform/posix/temporary_file.h"
#include "workbook_test_support.h"

namespace norvel::test {
namespace {

// Commits the address book's replacement in a child process and sends it signal as soon as
// the temporary file appears beside the workbook. Returns the child's wait status.
int signalDuringCommit(const std::string& path, int signal) {
  const FileDescriptor watch(::inotify_init1(IN_CLOEXEC));
  ::inotify_add_watch(watch.get(), fs::path(path).parent_path().c_str(), IN_CREATE);
  const pid_t child = ::fork();
  if (child == 0) {
    installTempFileCleanup();
    try {
      auto db = openWorkbook(path, true);
      db->execute(kUpdateText);
    } catch (...) {
      ::_exit(3);
    }
    for (;;) ::pause();  // only the signal ends it
  }
  alignas(inotify_event) char events[4096];
  for (bool seen = false; !seen;) {
    pollfd ready{watch.get(), POLLIN, 0};
    if (::poll(&ready, 1, 10000) <= 0) break;
    const auto n = ::read(watch.get(), events, sizeof events);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if (event->len > 0 && std::string_view(event->name).find(".norvel-") != std::string::npos) {
        seen = true;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  ::kill(child, signal);
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

class WorkbookKillTest : public WorkbookTest {
 protected:
  // The address book with 16 MB of padding, so that writing it takes a while.
  std::string paddedBook() {
    const std::string path = book("addresses");
    std::string padding;
    for (int i = 0; padding.size() < (16 << 20); ++i) padding += std::to_string(i * 2654435761u);
    writeZip(path, {{"xl/media/padding.bin", padding}});
    return path;
  }

  // The workbook is the old one or the committed one, whole.
  void expectOldOrNew(const std::string& path, const std::string& old_bytes) {
    if (readBytes(path) == old_bytes) return;
    auto db = openWorkbook(path, true);
    EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0001'"), 0);
    EXPECT_EQ(countRows(*db, "住所録$", "[郵便番号] = '100-0002'"), 3);
  }

  std::size_t entries() const { return std::distance(fs::directory_iterator(dir_.path()), {}); }
};

TEST_F(WorkbookKillTest, TerminatingACommitLeavesTheWorkbookOldOrNewAndNoTemporaryFile) {
  const std::string path = paddedBook();
  const std::string old_bytes = readBytes(path);
  for (int trial = 0; trial < 6; ++trial) {
    const int signal = trial % 2 == 0 ? SIGTERM : SIGINT;
    writeBytes(path, old_bytes);
    const int status = signalDuringCommit(path, signal);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << trial;
    expectOldOrNew(path, old_bytes);
    EXPECT_EQ(entries(), 1u) << "a temporary file is left after trial " << trial;
  }
}

TEST_F(WorkbookKillTest, WhatAKillLeavesIsRemovedByTheNextCommit) {
  const std::string path = paddedBook();
  const std::string old_bytes = readBytes(path);
  for (int trial = 0; trial < 4; ++trial) {
    writeBytes(path, old_bytes);
    const int status = signalDuringCommit(path, SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << trial;
    expectOldOrNew(path, old_bytes);
  }
  // One left for certain, by a process that has ended, and another program's file.
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  writeBytes(path + ".norvel-" + std::to_string(ended) + "-Ab12Cd", "half a workbook");
  writeBytes(path + ".Ab12Cd", "someone else's");

  writeBytes(path, old_bytes);
  auto db = openWorkbook(path, true);
  db->execute(kUpdateText);
  EXPECT_EQ(entries(), 2u);
  EXPECT_TRUE(fs::exists(path + ".Ab12Cd"));
  expectOldOrNew(path, "");
}

}  // namespace
}  // namespace norvel::test
