#include "device_enumeration.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include "device_paths.h"
#ifdef Q_OS_LINUX
#include "hardware_database.h"
#endif

namespace ports {
namespace {

constexpr int kHexDigits = 4;
constexpr int kHex = 16;

// udev's model name from the hardware database, else the model the device reports (Windows:
// the device's description), else its USB ids, else what every other serial port is. Windows
// leaves a port SetupAPI does not describe (each of Wine's) without one: the port list names it
// in the window's language.
QString Describe(const QSerialPortInfo& port) {
  const bool usb = port.hasVendorIdentifier() && port.hasProductIdentifier();
#ifdef Q_OS_LINUX
  if (usb) {
    QString model = HardwareDatabaseModel(port.vendorIdentifier(), port.productIdentifier());
    if (!model.isEmpty()) return model;
  }
#endif
  if (!port.description().isEmpty()) return port.description();
  if (usb) {
    return QStringLiteral("USB %1:%2")
        .arg(port.vendorIdentifier(), kHexDigits, kHex, QLatin1Char('0'))
        .arg(port.productIdentifier(), kHexDigits, kHex, QLatin1Char('0'));
  }
#ifdef Q_OS_WIN
  return {};
#else
  return QStringLiteral("built-in serial port");
#endif
}

}  // namespace

QList<DetectedDevice> EnumerateDevices() {
  QList<DetectedDevice> devices;
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
    const QString path = port.portName();
#else
    const QString path = port.systemLocation();
    // udev's record can outlive the device node for a moment after a pull.
    if (IsPseudoTerminal(path) || !QFileInfo::exists(path)) continue;
#endif
    devices.append({path, port.portName(), Describe(port), StableName(path)});
  }
  return devices;
}

}  // namespace ports
