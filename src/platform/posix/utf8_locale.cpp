#include "platform/posix/utf8_locale.h"

#include <langinfo.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace norvel {

bool localeIsUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr &&
         (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

bool useUtf8Locale() {
  if (std::setlocale(LC_ALL, "") != nullptr && localeIsUtf8()) return true;
  ::setenv("LC_ALL", "C.UTF-8", 1);
  return std::setlocale(LC_ALL, "C.UTF-8") != nullptr && localeIsUtf8();
}

}  // namespace norvel
