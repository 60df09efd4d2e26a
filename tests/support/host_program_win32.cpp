#include <windows.h>
#include <winsock2.h>

#include <charconv>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host_program.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_text.h"
#include "win32_command_line.h"

namespace norvel::testing {
namespace {

// How long a host program may take before its test fails instead of hanging.
constexpr DWORD kTimeoutMs = 120'000;

std::runtime_error systemError(const std::string& what, DWORD error) {
  return std::runtime_error(what + ": " + win32::systemErrorText(error));
}

// Wine's own exports from kernel32 that translate between its drives and the host's names;
// Windows itself has neither. Both results are freed from the process heap.
template <typename Function>
Function wineExport(const char* name) {
  const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}
using UnixFileName = char*(CDECL*)(const WCHAR*);
using DosFileName = WCHAR*(CDECL*)(const char*);

struct HeapDelete {
  void operator()(void* p) const { ::HeapFree(::GetProcessHeap(), 0, p); }
};

std::wstring dosName(const std::string& host_path) {
  const std::unique_ptr<WCHAR, HeapDelete> name(
      wineExport<DosFileName>("wine_get_dos_file_name")(host_path.c_str()));
  if (!name) throw std::runtime_error("no Windows name for " + host_path);
  return name.get();
}

class Winsock {
 public:
  Winsock() {
    WSADATA data;
    if (const int error = ::WSAStartup(MAKEWORD(2, 2), &data); error != 0) {
      throw systemError("WSAStartup", static_cast<DWORD>(error));
    }
  }
  ~Winsock() { ::WSACleanup(); }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
};

// Owns one socket; INVALID_SOCKET is none.
class Socket {
 public:
  explicit Socket(SOCKET s = INVALID_SOCKET) : s_(s) {}
  ~Socket() { reset(); }
  Socket(Socket&& other) noexcept : s_(std::exchange(other.s_, INVALID_SOCKET)) {}
  Socket& operator=(Socket&& other) noexcept {
    reset();
    s_ = std::exchange(other.s_, INVALID_SOCKET);
    return *this;
  }
  SOCKET get() const { return s_; }
  void reset() {
    if (s_ != INVALID_SOCKET) ::closesocket(s_);
    s_ = INVALID_SOCKET;
  }

 private:
  SOCKET s_;
};

Socket checked(SOCKET s, const char* what) {
  if (s == INVALID_SOCKET) throw systemError(what, static_cast<DWORD>(::WSAGetLastError()));
  return Socket(s);
}

void check(int result, const char* what) {
  if (result == SOCKET_ERROR) throw systemError(what, static_cast<DWORD>(::WSAGetLastError()));
}

// Two connected ends over the loopback. Wine hands a host program the Unix descriptor behind
// its standard output, and a socket has one where a Windows pipe has none.
std::pair<Socket, Socket> connectedSockets() {
  const Socket listener = checked(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), "socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  check(::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), size), "bind");
  check(::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &size), "getsockname");
  check(::listen(listener.get(), 1), "listen");
  Socket reader = checked(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), "socket");
  check(::connect(reader.get(), reinterpret_cast<sockaddr*>(&address), size), "connect");
  Socket writer = checked(::accept(listener.get(), nullptr, nullptr), "accept");
  return {std::move(reader), std::move(writer)};
}

}  // namespace

std::string hostProgramsUnavailable() {
  if (wineExport<UnixFileName>("wine_get_unix_file_name") != nullptr) return {};
  return "no host python3: the workbook fixtures are written and read back by the build host's "
         "python3 with openpyxl, which only Wine starts from a Windows program";
}

std::string hostPath(const std::string& path) {
  const auto unix_file_name = wineExport<UnixFileName>("wine_get_unix_file_name");
  if (unix_file_name == nullptr) throw std::logic_error(hostProgramsUnavailable());
  const std::unique_ptr<char, HeapDelete> name(unix_file_name(win32::wideFromUtf8(path).c_str()));
  if (!name) throw std::runtime_error("no host name for " + path);
  return name.get();
}

// Wine starts a host program without a process handle to wait on or read its exit code from:
// the host's shell runs it and writes its exit status after its output, and the end of that
// output is the end of the program.
HostRun runHostProgram(const std::string& program, const std::vector<std::string>& args) {
  if (const std::string why = hostProgramsUnavailable(); !why.empty()) {
    throw std::logic_error(why);
  }
  const Winsock winsock;
  auto [reader, writer] = connectedSockets();
  const DWORD timeout = kTimeoutMs;
  check(::setsockopt(reader.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                     sizeof timeout),
        "setsockopt");

  const std::wstring shell = dosName("/bin/sh");
  std::wstring command_line = L"sh -c " + commandLineArgument(LR"("$0" "$@"; printf '\n%d' "$?")") +
                              L' ' + commandLineArgument(win32::wideFromUtf8(program));
  for (const std::string& arg : args) {
    command_line += L' ' + commandLineArgument(win32::wideFromUtf8(arg));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;  // the host's /dev/null
  startup.hStdOutput = reinterpret_cast<HANDLE>(writer.get());
  startup.hStdError = INVALID_HANDLE_VALUE;  // stderr is the test's own in any case
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(shell.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
    throw systemError("CreateProcessW " + program, ::GetLastError());
  }
  // Null for a host program: Wine does not track it.
  const win32::Handle process(started.hProcess), thread(started.hThread);
  writer.reset();

  std::string out;
  char buffer[4096];
  int n = 0;
  while ((n = ::recv(reader.get(), buffer, sizeof buffer, 0)) > 0) out.append(buffer, n);
  if (n == SOCKET_ERROR) {
    throw systemError(program + " (no end after " + std::to_string(kTimeoutMs / 1000) + " s)",
                      static_cast<DWORD>(::WSAGetLastError()));
  }
  HostRun run;
  const auto end = out.rfind('\n');
  const char* const last = out.data() + out.size();
  if (end == std::string::npos ||
      std::from_chars(out.data() + end + 1, last, run.exit_code).ptr != last) {
    throw std::runtime_error(program + ": the host's shell did not tell how it ended");
  }
  run.out = out.substr(0, end);
  return run;
}

}  // namespace norvel::testing
