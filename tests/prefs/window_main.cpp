#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "window_state.h"

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The install log of every completed Set goes to a folder of this run.
  const QTemporaryDir data;
  qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
  // So does the column width the window keeps for its next start.
  qputenv("XDG_CACHE_HOME", QFile::encodeName(data.path()));
  const QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (QApplication::arguments().contains(kFirstRunProbe)) return RunFirstRunProbe();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
