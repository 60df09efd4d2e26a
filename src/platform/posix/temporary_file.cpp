#include "platform/posix/temporary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace norvel {
namespace {

constexpr std::array kCleanupSignals{SIGINT, SIGTERM, SIGHUP};
constexpr std::string_view kMarker = ".norvel-";
constexpr std::size_t kRandomLength = 6;  // mkostemp's XXXXXX

// The handlers read the paths of the files being written from here, so it holds plain memory
// and lock-free flags only. A slot is free, being filled, in use, or taken by a handler.
enum SlotState : int { kFree, kFilling, kInUse, kRemoving };
struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
std::array<Slot, 16> slots;

std::array<struct sigaction, kCleanupSignals.size()> previous_actions{};
std::atomic<bool> installed{false};

void removeTemporaryFiles(int signal) {
  const int saved_errno = errno;
  for (auto& slot : slots) {
    int expected = kInUse;
    if (slot.state.compare_exchange_strong(expected, kRemoving)) ::unlink(slot.path);
  }
  // Back to what was there before, and once more: the default action ends the process with
  // this signal, as if it had never been caught.
  for (std::size_t i = 0; i < kCleanupSignals.size(); ++i) {
    if (kCleanupSignals[i] == signal) ::sigaction(signal, &previous_actions[i], nullptr);
  }
  ::raise(signal);
  errno = saved_errno;
}

int registerPath(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    int expected = kFree;
    if (slots[i].state.compare_exchange_strong(expected, kFilling)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].state.store(kInUse);
      return static_cast<int>(i);
    }
  }
  return -1;  // more files at once than slots: the next save removes what a kill leaves
}

void unregisterPath(int slot) {
  if (slot < 0) return;
  int expected = kInUse;
  // A slot a handler has taken stays taken: the process is ending.
  slots[static_cast<std::size_t>(slot)].state.compare_exchange_strong(expected, kFree);
}

// Keeps the cleanup signals away between creating a file and registering it.
class SignalBlock {
 public:
  SignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kCleanupSignals) sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, &saved_);
  }
  ~SignalBlock() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  SignalBlock(const SignalBlock&) = delete;
  SignalBlock& operator=(const SignalBlock&) = delete;

 private:
  sigset_t saved_;
};

std::string fileNameOf(const std::string& target) {
  return std::filesystem::path(target).filename().string();
}

// The pid in "<name>.norvel-<pid>-XXXXXX", or 0 when entry is not named so.
pid_t ownerPid(std::string_view entry, std::string_view name) {
  if (entry.size() <= name.size() + kMarker.size() || entry.substr(0, name.size()) != name)
    return 0;
  entry.remove_prefix(name.size());
  if (entry.substr(0, kMarker.size()) != kMarker) return 0;
  entry.remove_prefix(kMarker.size());
  const auto dash = entry.find('-');
  if (dash == 0 || dash > 9 || dash == std::string_view::npos || entry[0] == '0') return 0;
  pid_t pid = 0;
  for (char c : entry.substr(0, dash)) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  const std::string_view random = entry.substr(dash + 1);
  if (random.size() != kRandomLength) return 0;
  for (char c : random) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return 0;
  }
  return pid;
}

bool processIsGone(pid_t pid) {
  return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

void installTempFileCleanup() {
  if (installed.exchange(true)) return;
  struct sigaction action {};
  action.sa_handler = removeTemporaryFiles;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kCleanupSignals) sigaddset(&action.sa_mask, signal);
  for (std::size_t i = 0; i < kCleanupSignals.size(); ++i) {
    if (::sigaction(kCleanupSignals[i], nullptr, &previous_actions[i]) != 0) continue;
    // nohup and background jobs start programs with these ignored on purpose.
    if ((previous_actions[i].sa_flags & SA_SIGINFO) == 0 &&
        previous_actions[i].sa_handler == SIG_IGN) {
      continue;
    }
    ::sigaction(kCleanupSignals[i], &action, nullptr);
  }
}

TemporaryFile::TemporaryFile(const std::string& target) {
  std::string pattern = target + std::string(kMarker) + std::to_string(::getpid()) + "-" + "XXXXXX";
  SignalBlock block;
  file_ = FileDescriptor(::mkostemp(pattern.data(), O_CLOEXEC));
  if (!file_) throw FileError(target + ": " + std::strerror(errno));
  path_ = std::move(pattern);
  slot_ = registerPath(path_);
}

TemporaryFile::~TemporaryFile() {
  if (!kept_) ::unlink(path_.c_str());
  unregisterPath(slot_);
}

void TemporaryFile::keep() {
  kept_ = true;
  unregisterPath(std::exchange(slot_, -1));
}

void TemporaryFile::renameOver(const std::string& target) {
  if (::rename(path_.c_str(), target.c_str()) != 0) {
    throw FileError(target + ": " + std::strerror(errno));
  }
  keep();
}

mode_t newFileMode() {
  // Linux shows the mask in /proc; umask() could only read it by changing it for a moment.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(0666 & ~(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777));
    }
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

void removeStaleTemporaryFiles(const std::string& target) {
  const std::filesystem::path parent = std::filesystem::path(target).parent_path();
  const std::string folder = parent.empty() ? std::string(".") : parent.string();
  const std::string name = fileNameOf(target);
  if (name.empty()) return;
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.c_str()), ::closedir);
  if (!directory) return;
  const int folder_fd = ::dirfd(directory.get());
  while (const dirent* entry = ::readdir(directory.get())) {
    const pid_t pid = ownerPid(entry->d_name, name);
    if (pid == 0) continue;
    struct stat info {};
    if (::fstatat(folder_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || !processIsGone(pid)) continue;
    ::unlinkat(folder_fd, entry->d_name, 0);
  }
}

}  // namespace norvel
