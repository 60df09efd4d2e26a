#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <variant>

#include "app/batch/batch_options.h"
#include "app/batch/batch_run.h"
#include "app/batch/batch_text.h"
#include "app/batch/connection_argument.h"
#include "app/batch/exit_codes.h"
#include "app/batch/password_prompt.h"
#include "app/batch/terminal.h"
#include "platform/native/native_platform.h"
#include "platform/routing/routing_database_layer.h"

int main(int main_argc, char** main_argv) {
  using namespace norvel;
  using namespace norvel::batch;

  norvel::installTempFileCleanup();
  const bool utf8 = norvel::useUtf8Locale();
  NativeArguments arguments(main_argc, main_argv);
  const int argc = arguments.argc();
  char** argv = arguments.argv();
  NativeProcess process(argc, argv);
  // Before the first text of its own, the help included.
  bindMessageCatalog(process);
  auto parsed = parseOptions(argc, argv, std::cout, std::cerr);
  if (const int* exit_code = std::get_if<int>(&parsed)) return *exit_code;
  BatchOptions& options = std::get<BatchOptions>(parsed);
  if (!utf8) {
    std::cerr << "norvel-batch: "
              << tr("warning: no UTF-8 locale could be set (not even C.UTF-8); ODBC drivers may "
                    "mangle Japanese text")
              << '\n';
  }

  if (options.source == SourceKind::connectionString) {
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
      // Where the prompt can be answered: a terminal here, a console window on Windows.
#ifdef _WIN32
      std::cerr << "norvel-batch: "
                << tr("--oracle needs a password: set NORVEL_PASSWORD or run it in a Command "
                      "Prompt window")
                << '\n';
#else
      std::cerr << "norvel-batch: "
                << tr("--oracle needs a password: set NORVEL_PASSWORD or run on a terminal")
                << '\n';
#endif
      return kExitUsage;
    }
    password = *asked;
  }

  try {
    NativeCodePage932 code_page;
    NativeFileSystem files;
    RoutingDatabaseLayer databases;
    BatchEnvironment env{databases,
                         files,
                         code_page,
                         process,
                         std::cout,
                         std::cerr,
                         standardErrorIsTerminal(),
                         standardStreamsShareOutput()};
    return runBatch(options, password, env);
  } catch (const std::exception& error) {
    std::cerr << "norvel-batch: " << error.what() << '\n';
    return kExitUsage;
  }
}
