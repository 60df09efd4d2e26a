#include <exception>
#include <iostream>
#include <variant>

#include "app/pairs/pairs_options.h"
#include "app/pairs/pairs_run.h"
#include "platform/native/native_platform.h"

int main(int main_argc, char** main_argv) {
  using namespace norvel;
  using namespace norvel::pairs_tool;

  norvel::useUtf8Locale();
  NativeArguments arguments(main_argc, main_argv);
  const int argc = arguments.argc();
  char** argv = arguments.argv();
  auto parsed = parseOptions(argc, argv, std::cout, std::cerr);
  if (const int* exit_code = std::get_if<int>(&parsed)) return *exit_code;

  try {
    NativeCodePage932 code_page;
    NativeFileSystem files;
    PairsEnvironment env{files, code_page, std::cerr};
    return runPairs(std::get<PairsOptions>(parsed), env);
  } catch (const std::exception& error) {
    std::cerr << "norvel-pairs: " << error.what() << '\n';
    return kExitBadInput;
  }
}
