#include <QApplication>

#include <gtest/gtest.h>

#include "support/test_environment.h"

int main(int argc, char** argv) {
  // Widgets without a screen; the window tests need no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  norvel::test::useTestEnvironment();
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
