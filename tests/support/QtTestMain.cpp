#include <gtest/gtest.h>

#include <QApplication>

// The widget tests' main. Widgets without a display, also when the build
// lists the tests (the listing runs without the tests' environment).
int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
