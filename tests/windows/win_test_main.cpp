// The Windows tests that need no window: QtCore's application object for the settings, then
// every test.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  const QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
