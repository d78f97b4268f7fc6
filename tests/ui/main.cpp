// The window tests: real widgets on the offscreen platform, a real settings file in a folder of
// this run, and virtual printers on real pseudo-terminals.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "size_hint_warnings.h"
#include "system_console.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // A locale without Cyrillic script: the window starts in English unless told otherwise.
  qputenv("LC_ALL", "C");
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  // The install log of every completed Set goes to this run's folder too.
  qputenv("XDG_DATA_HOME", QFile::encodeName(config.path()));
  // So does the column width the window keeps for its next start.
  qputenv("XDG_CACHE_HOME", QFile::encodeName(config.path()));
  // This machine's console is none of the ports the tests make.
  system_console::SetActiveList(config.filePath("no-console").toStdString());
  DropSizeHintWarnings();
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
