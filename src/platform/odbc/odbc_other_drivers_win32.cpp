#include <windows.h>

#include <algorithm>
#include <array>

#include "platform/odbc/odbc_connection.h"

namespace norvel {
namespace {

class RegistryKey {
 public:
  RegistryKey(const wchar_t* path, REGSAM view) {
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~RegistryKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// A 32-bit process on a 32-bit Windows has no other view: the flag would be ignored and give
// its own drivers back.
bool hasOtherView() {
  if (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::string utf8(const wchar_t* text, std::size_t length) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
  std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), size, nullptr,
                        nullptr);
  return result;
}

}  // namespace

// The driver manager lists the drivers of ODBCINST.INI\ODBC Drivers in the process's own view
// of the registry; the other view holds the other bitness's.
std::vector<std::string> otherBitnessOdbcDrivers() {
  if (!hasOtherView()) return {};
  const REGSAM other_view = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  const RegistryKey key(L"SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers", other_view);
  if (key.get() == nullptr) return {};

  const std::vector<std::string> own = installedOdbcDrivers();
  std::vector<std::string> drivers;
  std::array<wchar_t, 512> name{};
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG rc =
        ::RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;
    std::string driver = utf8(name.data(), length);
    if (std::find(own.begin(), own.end(), driver) == own.end()) drivers.push_back(driver);
  }
  return drivers;
}

}  // namespace norvel
