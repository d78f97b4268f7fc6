#include "message_box_closer.h"

#include <QApplication>
#include <QMessageBox>

MessageBoxCloser::MessageBoxCloser() {
  timer_.callOnTimeout([this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      texts_ << box->text();
      box->accept();
    }
  });
  timer_.start(10);
}
