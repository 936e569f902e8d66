// The window tests run offscreen in one QApplication with the program's look.

#include <QApplication>
#include <gtest/gtest.h>

#include "ui/look.h"

int main(int argc, char** argv) {
  // Also when CTest lists the tests, which it does without the tests'
  // environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  kfw::ui::ApplyDialogLook(application);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
