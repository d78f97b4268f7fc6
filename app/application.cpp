#include "application.h"

#include "message_dialog.h"

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), errorSink_(ShowError) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    errorSink_(CurrentErrorMessage());
    return false;
  }
}
