#include "port_argument.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "device_enumeration.h"
#include "network_ports.h"
#include "preferences.h"
#include "serial.h"

namespace cli {

namespace {

// Resolves COM numbers as the window does: the [Ports] map, else the system's default device.
Tserial& ComResolver() {
  static Tserial serial;
  serial.SetDeviceResolver(prefs::PortMapResolver());
  return serial;
}

}  // namespace

std::vector<ports::PortEntry> CurrentPortList() {
  return ports::BuildPortList(ports::EnumerateDevices(), ports::ComDevicesOf(ComResolver()),
                              prefs::NetworkPorts());
}

PortTarget ResolvePort(const QString& port, const std::vector<ports::PortEntry>& entries) {
  static const QRegularExpression kComName(QStringLiteral("^COM([1-9][0-9]*)$"),
                                           QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch com = kComName.match(port);
  for (const ports::PortEntry& entry : entries) {
    const bool named = com.hasMatch() && entry.IsCom()
                           ? entry.comNumber == com.captured(1).toInt()
                           : entry.detected && entry.detected->name == port;
    if (named) return {entry.Name(), entry.device};
  }
  // Any COM number, also beyond the list's six: COM7 is never a file of that name here.
  if (com.hasMatch()) {
    const QString name = QStringLiteral("COM%1").arg(com.captured(1));
    return {name, QFile::decodeName(QByteArray::fromStdString(
                      ComResolver().DevicePath(com.captured(1).toInt())))};
  }
  if (port.contains(u'/') || port.contains(QDir::separator())) return {port, port};
#ifdef Q_OS_WIN
  return {port, port};
#else
  return {port, QStringLiteral("/dev/") + port};
#endif
}

}  // namespace cli
