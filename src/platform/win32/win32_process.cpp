#include "platform/win32/win32_process.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cstdlib>
#include <memory>

#include "platform/file_system.h"
#include "platform/win32/win32_text.h"

namespace norvel {
namespace {

std::string moduleFileName() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return win32::utf8FromWide(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

Utf8Arguments::Utf8Arguments(int /*argc*/, char** /*argv*/) {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> wide(
      ::CommandLineToArgvW(::GetCommandLineW(), &count), ::LocalFree);
  for (int i = 0; wide && i < count; ++i) arguments_.push_back(win32::utf8FromWide(wide.get()[i]));
  for (std::string& argument : arguments_) pointers_.push_back(argument.data());
  pointers_.push_back(nullptr);
}

Win32Process::Win32Process(int /*argc*/, const char* const* /*argv*/)
    : executable_path_(moduleFileName()) {
  const Utf8Arguments arguments;
  for (std::size_t i = 1; i < arguments.arguments().size(); ++i) {
    if (i > 1) argument_ += ' ';
    argument_ += arguments.arguments()[i];
  }
}

std::string Win32Process::currentDirectory() const {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(size, L'\0');
  const DWORD length = size == 0 ? 0 : ::GetCurrentDirectoryW(size, buffer.data());
  if (length == 0 || length >= size) {
    throw FileError("current directory: " + win32::systemErrorText(::GetLastError()));
  }
  buffer.resize(length);
  return win32::utf8FromWide(buffer);
}

std::string installedFolderOf(const std::string& executable_path) {
  const std::size_t slash = executable_path.find_last_of("\\/");
  if (slash == std::string::npos) return {};
  const std::string folder = executable_path.substr(0, slash);
  const std::wstring marker = win32::wideFromUtf8(folder) + L'\\' + kInstalledMarker;
  const DWORD attributes = ::GetFileAttributesW(marker.c_str());
  const bool installed =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return installed ? folder : std::string();
}

std::string Win32Process::installedBinDirectory() const {
  return installedFolderOf(executable_path_);
}

std::string Win32Process::userConfigDirectory() const {
  const wchar_t* app_data = ::_wgetenv(L"APPDATA");
  return app_data != nullptr ? win32::utf8FromWide(app_data) : std::string();
}

}  // namespace norvel
