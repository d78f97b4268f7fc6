// The fault tests' second process: "hold DEVICE" opens DEVICE as a serial port and keeps it until
// its input ends (another program holding the port); "connect" opens the window on the settings
// in XDG_CONFIG_HOME, clicks Connect once and prints each message, whether it connected and the
// model field (the window run as another user).
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>

#include <cstdio>
#include <cstring>
#include <string>

#include "mainform.h"
#include "serial.h"
#include "window_state.h"

namespace {

int HoldPort(const std::string& device) {
  Tserial serial;
  serial.SetDeviceResolver([device](int) { return device; });
  if (!serial.Open(1, 9600)) {
    std::puts("failed");
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return 0;
}

int ConnectOnce(int argc, char** argv) {
  QApplication application(argc, argv);
  WindowSeams seams;
  seams.message = [](const QString& text) {
    std::printf("message=%s\n", text.toUtf8().constData());
  };
  TMainF window(std::move(seams));
  window.show();
  window.findChild<QAbstractButton*>("Connect")->click();
  std::printf("connected=%d\nmodel=%s\n", Connected(window) ? 1 : 0,
              window.findChild<QLineEdit*>("PrinterModel")->text().toUtf8().constData());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "hold") == 0) return HoldPort(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "connect") == 0) return ConnectOnce(argc, argv);
  std::fputs("usage: faults_child hold DEVICE | connect\n", stderr);
  return 2;
}
