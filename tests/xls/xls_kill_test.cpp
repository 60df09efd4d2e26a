// The .xls save goes through the same temporary file and rename as the .xlsx one: a signal
// during it leaves the old or the new workbook, and the next commit removes what a kill left.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/file_descriptor.h"
#include "platform/posix/temporary_file.h"
#include "xls_test_support.h"

namespace norvel::test {
namespace {

const std::string kUpdate =
    "UPDATE [住所録$] SET [住所] = [住所] || '（新）' WHERE [住所] IS NOT NULL";

// Commits in a child process and sends it signal as soon as the temporary file appears.
int signalDuringCommit(const std::string& path, int signal) {
  const FileDescriptor watch(::inotify_init1(IN_CLOEXEC));
  ::inotify_add_watch(watch.get(), fs::path(path).parent_path().c_str(), IN_CREATE);
  const pid_t child = ::fork();
  if (child == 0) {
    installTempFileCleanup();
    try {
      openWorkbook(path, true)->execute(kUpdate);
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

class XlsKillTest : public XlsTest {
 protected:
  void expectOldOrNew(const std::string& path, const std::string& old_bytes) {
    if (readBytes(path) == old_bytes) return;
    auto db = openWorkbook(path, true);
    EXPECT_EQ(countRows(*db, "住所録$", "[住所] LIKE '%（新）'"), 400);
  }
  std::size_t entries() const { return std::distance(fs::directory_iterator(dir_.path()), {}); }
};

TEST_F(XlsKillTest, SignalsDuringASaveLeaveTheOldOrTheNewWorkbook) {
  const std::string path = book("addresses_libreoffice");
  const std::string old_bytes = readBytes(path);
  for (int trial = 0; trial < 6; ++trial) {
    const int signal = trial % 3 == 0 ? SIGTERM : trial % 3 == 1 ? SIGINT : SIGKILL;
    writeBytes(path, old_bytes);
    const int status = signalDuringCommit(path, signal);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << trial;
    expectOldOrNew(path, old_bytes);
  }
  // A temporary file left by a process that has ended goes with the next commit.
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  writeBytes(path + ".norvel-" + std::to_string(ended) + "-Ab12Cd", "half a workbook");
  writeBytes(path, old_bytes);
  openWorkbook(path, true)->execute(kUpdate);
  EXPECT_EQ(entries(), 1u);
  expectOldOrNew(path, "");
}

}  // namespace
}  // namespace norvel::test
