#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
  // The SQLite3 ODBC driver converts through the process locale.
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) std::setlocale(LC_ALL, "");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
