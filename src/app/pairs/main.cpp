#include <exception>
#include <iostream>
#include <variant>

#include "app/pairs/pairs_options.h"
#include "app/pairs/pairs_run.h"
#include "platform/iconv/iconv_code_page_932.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/utf8_locale.h"

int main(int argc, char** argv) {
  using namespace norvel;
  using namespace norvel::pairs_tool;

  norvel::UseUtf8Locale();
  auto parsed = parseOptions(argc, argv, std::cout, std::cerr);
  if (const int* exit_code = std::get_if<int>(&parsed)) return *exit_code;

  try {
    IconvCodePage932 code_page;
    PosixFileSystem files;
    PairsEnvironment env{files, code_page, std::cerr};
    return runPairs(std::get<PairsOptions>(parsed), env);
  } catch (const std::exception& error) {
    std::cerr << "norvel-pairs: " << error.what() << '\n';
    return kExitBadInput;
  }
}
