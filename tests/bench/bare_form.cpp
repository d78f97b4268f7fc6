// The program's window as its form alone, in the program's style: what Qt takes to build and
// paint the form, with none of the program's own code (texts, icons, lists, stored choices,
// ports). The start-up bench sets the program beside it, to tell the form's weight from the
// code's.
#include <QApplication>
#include <QWidget>

#include "group_box_frame_style.h"
#include "ui_mainform.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setStyle(new TGroupBoxFrameStyle);
  QWidget window;
  Ui::TMainF form;
  form.setupUi(&window);
  window.show();
  return QApplication::exec();
}
