#include <QFileInfo>
#include <QIcon>
#include <QStringList>
#include <QTimer>

#include <cstdio>

#include "application.h"
#include "group_box_frame_style.h"
#include "late_window_icon.h"
#include "mainform.h"
#include "message_dialog.h"
#include "svg_icon.h"

namespace {

// The settings file the program is started with, as a double-click on one starts it; empty
// without one.
QString GivenSettingsFile() {
  const QStringList arguments = QCoreApplication::arguments();
  return arguments.size() > 1 ? QFileInfo(arguments[1]).absoluteFilePath() : QString();
}

int Run(TApplication& application) {
  try {
    // The program ends when the window says so: a close inside a running handler waits for it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(new TGroupBoxFrameStyle);
    TMainF MainF;
    const TLateWindowIcon icon(MainF, [] { return SvgIcon(QStringLiteral(":/quillsetter.svg")); });
    QObject::connect(&MainF, &TMainF::Finished, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    MainF.show();
    if (const QString file = GivenSettingsFile(); !file.isEmpty()) {
      // Once the window is up, so that a message about the file shows over it.
      QTimer::singleShot(0, &MainF, [&MainF, file] { MainF.LoadSettingsFile(file); });
    }
    QApplication::exec();
  } catch (...) {
    ShowError(CurrentErrorMessage());
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  try {
    TApplication application(argc, argv);
    return Run(application);
  } catch (...) {
    // Without an application object there is no window to show the error in.
    std::fprintf(stderr, "%s\n", qPrintable(ErrorText(CurrentErrorMessage())));
  }
  return 0;
}
