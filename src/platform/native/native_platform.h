#pragma once

// The services of the system the program is built for, under one set of names for the mains:
// NativeFileSystem, NativeProcess(argc, argv), NativeCodePage932, NativeArguments(argc, argv)
// (the command line in UTF-8), and the start-up steps installTempFileCleanup() and
// useUtf8Locale().
#if defined(_WIN32)
#include "platform/win32/win32_code_page_932.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process.h"

namespace norvel {
using NativeFileSystem = Win32FileSystem;
using NativeProcess = Win32Process;
using NativeCodePage932 = Win32CodePage932;
using NativeArguments = Utf8Arguments;
}  // namespace norvel
#else
#include "platform/iconv/iconv_code_page_932.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/temporary_file.h"
#include "platform/posix/utf8_locale.h"

namespace norvel {
using NativeFileSystem = PosixFileSystem;
using NativeProcess = PosixProcess;
using NativeCodePage932 = IconvCodePage932;

// main()'s own arguments: the locale's UTF-8 already.
class NativeArguments {
 public:
  NativeArguments(int argc, char** argv) : argc_(argc), argv_(argv) {}
  int argc() const { return argc_; }
  char** argv() const { return argv_; }

 private:
  int argc_;
  char** argv_;
};
}  // namespace norvel
#endif
