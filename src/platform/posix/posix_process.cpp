#include "platform/posix/posix_process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "norvel_install_dirs.h"
#include "platform/file_system.h"

namespace norvel {
namespace {

namespace fs = std::filesystem;

// The kernel's own record of the executable, independent of how argv[0] was spelt.
std::string executableLink() {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::unique_ptr<char, decltype(&std::free)> workingDirectory() {
  return {::getcwd(nullptr, 0), &std::free};
}

bool isExecutableFile(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string absoluteProgramPath(std::string_view argv0, const std::string& start_directory,
                                std::string_view search_path) {
  if (argv0.empty()) return {};
  const fs::path start(start_directory);
  if (argv0.find('/') == std::string_view::npos) {
    // A bare name was found through PATH, as the shell does; an empty entry is the start
    // directory.
    std::size_t begin = 0;
    while (begin <= search_path.size()) {
      std::size_t end = search_path.find(':', begin);
      if (end == std::string_view::npos) end = search_path.size();
      const fs::path candidate =
          start / fs::path(search_path.substr(begin, end - begin)) / fs::path(argv0);
      if (isExecutableFile(candidate)) return candidate.lexically_normal().string();
      begin = end + 1;
    }
  }
  return (start / fs::path(argv0)).lexically_normal().string();
}

PosixProcess::PosixProcess(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (i > 1) argument_ += ' ';
    argument_ += argv[i];
  }
  executable_path_ = executableLink();
  if (executable_path_.empty() && argc > 0 && argv[0] != nullptr) {
    // Resolved now: a later change of directory would move a relative argv[0].
    const auto start = workingDirectory();
    const char* search_path = std::getenv("PATH");
    executable_path_ =
        absoluteProgramPath(argv[0], start ? start.get() : "", search_path ? search_path : "");
  }
}

std::string PosixProcess::currentDirectory() const {
  const auto directory = workingDirectory();
  if (!directory) throw FileError(std::string("current directory: ") + std::strerror(errno));
  return directory.get();
}

std::string PosixProcess::userConfigDirectory() const {
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    return xdg;
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    return std::string(home) + "/.config";
  }
  return {};
}

std::string PosixProcess::installedBinDirectory() const {
  return NORVEL_INSTALL_BINDIR;
}

}  // namespace norvel
