// The port list from outside, for a machine with a real adapter (the QEMU guest of the USB adapter
// test): "watch SECONDS" prints the system's devices, then again at every change, each line
// "<ms since start> <path>|<name>|<description>|<stable name>" and "<ms> end" after each list;
// "open DEVICE" opens DEVICE at 9600 bps, asks the printer there for its name and prints
// "model=<name>", or "failed=<reason>" in English.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "identify.h"
#include "open_failure_text.h"
#include "serial.h"
#include "system_device_source.h"

namespace {

void PrintDevices(const ports::DeviceSource& source, const QElapsedTimer& clock) {
  for (const ports::DetectedDevice& device : source.Devices()) {
    std::printf("%lld %s|%s|%s|%s\n", clock.elapsed(), qPrintable(device.path),
                qPrintable(device.name), qPrintable(device.description),
                qPrintable(device.stableName));
  }
  std::printf("%lld end\n", clock.elapsed());
  std::fflush(stdout);
}

int Watch(int seconds) {
  QElapsedTimer clock;
  clock.start();
  ports::SystemDeviceSource source;
  source.Refresh();
  PrintDevices(source, clock);
  QObject::connect(&source, &ports::DeviceSource::Changed, [&] { PrintDevices(source, clock); });
  QTimer::singleShot(seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
  return QCoreApplication::exec();
}

int Open(const char* device) {
  constexpr std::uint32_t kRate = 9600;
  Tserial serial;
  if (!serial.OpenDevice(device, kRate)) {
    std::printf("failed=%s\n", qPrintable(texts::OpenFailureText(serial.LastOpenError(), kRate,
                                                                 InterfaceLanguage::English)));
    return 1;
  }
  const printer::IdentifyResult identified = printer::AskModel(serial);
  std::printf("model=%s\n", identified.model.c_str());
  return identified.answered ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const QCoreApplication application(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "watch") == 0) return Watch(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "open") == 0) return Open(argv[2]);
  std::fputs("usage: ports_probe watch SECONDS | open DEVICE\n", stderr);
  return 2;
}
