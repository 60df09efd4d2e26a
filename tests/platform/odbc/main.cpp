#include <gtest/gtest.h>

#include "support/test_environment.h"

int main(int argc, char** argv) {
  // unixODBC converts the wide calls for ANSI drivers (SQLite3) through the process locale.
  norvel::test::useTestEnvironment();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
