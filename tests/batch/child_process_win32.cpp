#include <windows.h>

#include <atomic>
#include <cwchar>
#include <map>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "child_process.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_text.h"
#include "support/win32_command_line.h"

namespace norvel::batch::test {
namespace {

using norvel::testing::commandLineArgument;
using win32::Handle;

std::runtime_error systemError(const std::string& what) {
  return std::runtime_error(what + ": " + win32::systemErrorText(::GetLastError()));
}

// Variable names compare without case on Windows, and the block is handed over sorted so.
struct NameLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
  }
};

// This process's environment with the changes applied, as CreateProcessW takes it.
std::wstring environmentBlock(const Env& changes) {
  std::map<std::wstring, std::wstring, NameLess> entries;  // by name, each "name=value"
  const std::unique_ptr<wchar_t, decltype(&::FreeEnvironmentStringsW)> current(
      ::GetEnvironmentStringsW(), &::FreeEnvironmentStringsW);
  if (!current) throw systemError("GetEnvironmentStringsW");
  for (const wchar_t* entry = current.get(); *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    // The folders of the drives ("=C:=C:\…") start with '=': their name ends at the second.
    entries.emplace(text.substr(0, text.find(L'=', 1)), text);
  }
  for (const auto& [name, value] : changes) {
    const std::wstring wide_name = win32::wideFromUtf8(name);
    entries.erase(wide_name);
    if (value) entries.emplace(wide_name, wide_name + L'=' + win32::wideFromUtf8(*value));
  }
  std::wstring block;
  for (const auto& entry : entries) block += entry.second + L'\0';
  return block + L'\0';
}

const SECURITY_ATTRIBUTES kInherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};

// A file in the temporary folder that the child inherits; it goes with the last handle to it.
Handle inheritedTempFile() {
  wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
  if (::GetTempPathW(MAX_PATH + 1, folder) == 0 || ::GetTempFileNameW(folder, L"nb", 0, name) == 0)
    throw systemError("GetTempFileNameW");
  SECURITY_ATTRIBUTES inherited = kInherited;
  Handle file(::CreateFileW(
      name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) throw systemError("CreateFileW");
  return file;
}

void rewind(const Handle& file) {
  if (!::SetFilePointerEx(file.get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN))
    throw systemError("SetFilePointerEx");
}

}  // namespace

RunResult runProgram(const std::string& program, std::vector<std::string> args, const Env& env,
                     const Launch& launch, const Interrupt& interrupt) {
  if (launch.terminal || !launch.password.empty() || interrupt.signal != 0 ||
      launch.stdout_lines != 0) {
    throw std::logic_error("no pseudo terminal or signals on Windows");
  }
  const std::wstring application = win32::wideFromUtf8(program);
  std::wstring command_line = commandLineArgument(application);
  for (const std::string& arg : args) {
    command_line += L' ' + commandLineArgument(win32::wideFromUtf8(arg));
  }
  std::wstring environment = environmentBlock(env);

  const Handle in = inheritedTempFile(), err = inheritedTempFile();
  DWORD written = 0;
  if (!::WriteFile(in.get(), launch.input.data(), static_cast<DWORD>(launch.input.size()), &written,
                   nullptr) ||
      written != launch.input.size()) {
    throw systemError("stdin");
  }
  rewind(in);
  HANDLE ends[2];
  SECURITY_ATTRIBUTES inherited = kInherited;
  if (!::CreatePipe(&ends[0], &ends[1], &inherited, 0)) throw systemError("CreatePipe");
  const Handle out_read(ends[0]);
  Handle out_write(ends[1]);
  if (!::SetHandleInformation(out_read.get(), HANDLE_FLAG_INHERIT, 0))
    throw systemError("SetHandleInformation");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.get();
  startup.hStdOutput = out_write.get();
  startup.hStdError = err.get();
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                        &started)) {
    throw systemError("CreateProcessW " + program);
  }
  const Handle process(started.hProcess), thread(started.hThread);
  out_write = Handle();

  // Killing a hung child also ends the read below: its end of the pipe closes with it.
  std::atomic<bool> hung = false;
  std::jthread watchdog([&] {
    if (::WaitForSingleObject(process.get(), 60'000) == WAIT_TIMEOUT) {
      hung = true;
      ::TerminateProcess(process.get(), 1);
    }
  });
  ::Sleep(static_cast<DWORD>(launch.stall.count()));

  RunResult result;
  char buffer[4096];
  for (DWORD n = 0; ::ReadFile(out_read.get(), buffer, sizeof buffer, &n, nullptr);) {
    result.out.append(buffer, n);
  }
  if (::GetLastError() != ERROR_BROKEN_PIPE) throw systemError("ReadFile");
  watchdog.join();
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process.get(), &exit_code)) throw systemError("GetExitCodeProcess");
  result.exit_code = hung ? -1 : static_cast<int>(exit_code);
  rewind(err);
  for (DWORD n = 0; ::ReadFile(err.get(), buffer, sizeof buffer, &n, nullptr) && n > 0;) {
    result.err.append(buffer, n);
  }
  return result;
}

}  // namespace norvel::batch::test
