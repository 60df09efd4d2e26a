#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace norvel::testing_support {

// A fresh directory for one test, removed with everything in it afterwards.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }

  // Names of the directory's entries, sorted.
  std::string listing() const;

 private:
  std::filesystem::path path_;
};

void writeBytes(const std::string& path, std::string_view bytes);
std::string readBytes(const std::string& path);

// Runs check in a child process without root's privileges (uid and gid of "nobody"), because
// root may read and write whatever the permission bits say. Returns the child's exit status, or
// -1 when the process cannot drop its privileges.
int runUnprivileged(const std::function<int()>& check);

}  // namespace norvel::testing_support
