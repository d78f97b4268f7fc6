// The yardstick for the program's start-up: the least a Qt Widgets window can be, one button.
#include <QApplication>
#include <QPushButton>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QPushButton button(QStringLiteral("OK"));
  button.show();
  return QApplication::exec();
}
