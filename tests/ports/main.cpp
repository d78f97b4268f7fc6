// The port list's tests; the system source listens through Qt's event dispatcher.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  const QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
