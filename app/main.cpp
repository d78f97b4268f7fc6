#include <QIcon>

#include <cstdio>

#include "application.h"
#include "group_box_frame_style.h"
#include "late_window_icon.h"
#include "mainform.h"
#include "message_dialog.h"
#include "svg_icon.h"

namespace {

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
