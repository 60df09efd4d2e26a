#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <variant>

#include "app/batch/batch_options.h"
#include "app/batch/batch_run.h"
#include "app/batch/connection_argument.h"
#include "app/batch/exit_codes.h"
#include "app/batch/password_prompt.h"
#include "platform/iconv/iconv_code_page_932.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/temporary_file.h"
#include "platform/posix/utf8_locale.h"
#include "platform/routing/routing_database_layer.h"

namespace {

// stdout and stderr are the same terminal (not merely two terminals).
bool sameTerminal() {
  struct stat out {};
  struct stat err {};
  return isatty(STDOUT_FILENO) == 1 && isatty(STDERR_FILENO) == 1 &&
         fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &err) == 0 &&
         out.st_rdev == err.st_rdev;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace norvel;
  using namespace norvel::batch;

  norvel::InstallTempFileCleanup();
  const bool utf8 = norvel::UseUtf8Locale();
  auto parsed = parseOptions(argc, argv, std::cout, std::cerr);
  if (const int* exit_code = std::get_if<int>(&parsed)) return *exit_code;
  BatchOptions& options = std::get<BatchOptions>(parsed);
  if (!utf8) {
    std::cerr << "norvel-batch: warning: no UTF-8 locale could be set (not even C.UTF-8); "
                 "ODBC drivers may mangle Japanese text\n";
  }

  if (options.source == SourceKind::connection_string) {
    std::string error;
    auto resolved = resolveConnectionArgument(options.connection_string, std::cin,
                                              std::getenv("NORVEL_PASSWORD"), error);
    if (!resolved) {
      std::cerr << "norvel-batch: " << error << '\n';
      return kExitUsage;
    }
    options.connection_string = std::move(*resolved);
  }

  std::string password;
  if (options.source == SourceKind::oracle) {
    const auto asked = oraclePassword(options.oracle_user);
    if (!asked) {
      std::cerr << "norvel-batch: --oracle needs a password: set NORVEL_PASSWORD or run on a "
                   "terminal\n";
      return kExitUsage;
    }
    password = *asked;
  }

  try {
    IconvCodePage932 code_page;
    PosixFileSystem files;
    PosixProcess process(argc, argv);
    RoutingDatabaseLayer databases;
    BatchEnvironment env{
        databases,     files, code_page, process, std::cout, std::cerr, isatty(STDERR_FILENO) == 1,
        sameTerminal()};
    return runBatch(options, password, env);
  } catch (const std::exception& error) {
    std::cerr << "norvel-batch: " << error.what() << '\n';
    return kExitUsage;
  }
}
