#include <gtest/gtest.h>

#include <QCoreApplication>

// QSerialPort wants an application object in the process, even though the
// link never runs its event loop.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
