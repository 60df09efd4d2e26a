#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace norvel::testing {

// A fresh folder for one test, removed with everything in it.
class TempDir {
 public:
  TempDir() {
#if defined(_WIN32)
    // No mkdtemp: a random name, taken only when create_directory made it just now.
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() / ("norvel-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "norvel-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
#endif
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const {
    return path_;
  }
  // The UTF-8 path of a file in the folder. On Windows std::filesystem reads and writes narrow
  // strings in the C library's locale, not UTF-8, so the conversion is spelt out there.
  std::string file(const std::string& name) const {
#if defined(_WIN32)
    const std::u8string utf8 = (path_ / std::u8string(name.begin(), name.end())).u8string();
    return std::string(utf8.begin(), utf8.end());
#else
    return (path_ / name).string();
#endif
  }

 private:
  std::filesystem::path path_;
};

// A UTF-8 name as std::filesystem takes it, and a path back as UTF-8: on Windows its narrow
// strings are in the C library's locale, so the conversion goes through char8_t on every system.
inline std::filesystem::path utf8Path(const std::string& utf8) {
  return std::u8string(utf8.begin(), utf8.end());
}

inline std::string utf8Name(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(utf8Path(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string readBytes(const std::string& path) {
  std::ifstream in(utf8Path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace norvel::testing
