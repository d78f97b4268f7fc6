// The window tests: real widgets on the offscreen platform, a real settings file in a folder of
// this run, and virtual printers on real pseudo-terminals.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): a message handler reads it
QtMessageHandler defaultHandler = nullptr;

// The offscreen platform warns about every fixed-size window; nothing else is held back.
void Handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (!message.contains(QLatin1String("propagateSizeHints")))
    defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // A locale without Cyrillic script: the window starts in English unless told otherwise.
  qputenv("LC_ALL", "C");
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  defaultHandler = qInstallMessageHandler(Handle);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
