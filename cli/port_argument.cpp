#include "port_argument.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "device_enumeration.h"
#include "network_port.h"
#include "network_ports.h"
#include "preferences.h"
#include "serial.h"

namespace cli {

std::vector<ports::PortEntry> CurrentPortList() {
  return ports::BuildPortList(ports::EnumerateDevices(),
                              ports::ComDevicesOf(prefs::PortMapResolver()), prefs::NetworkPorts());
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
    // Resolved as the window resolves it: the [Ports] map, else the system's default device.
    return {name, QFile::decodeName(QByteArray::fromStdString(
                      ComDevice(com.captured(1).toInt(), prefs::PortMapResolver())))};
  }
  if (port.contains(u'/') || port.contains(QDir::separator())) return {port, port};
#ifdef Q_OS_WIN
  return {port, port};
#else
  return {port, QStringLiteral("/dev/") + port};
#endif
}

QString AddressProblem(const QString& port) {
  const std::string address = port.toStdString();
  if (!IsNetworkAddress(address) || ParseNetworkAddress(address)) return {};
  const QString scheme = port.left(port.indexOf(QStringLiteral("://")) + 3);
  const QString rest = port.mid(scheme.size());
  // The port follows the last colon, outside the brackets of an IPv6 address.
  const qsizetype colon = rest.lastIndexOf(u':');
  if (colon < 0 || colon < rest.lastIndexOf(u']')) {
    return QStringLiteral("The address %1 has no port number: write it as %2HOST:PORT.")
        .arg(port, scheme);
  }
  constexpr int kHighestPort = 65535;
  bool number = false;
  const int value = rest.mid(colon + 1).toInt(&number, 10);
  if (!number || value < 1 || value > kHighestPort) {
    return QStringLiteral("The port number of %1 must be 1 to 65535.").arg(port);
  }
  return QStringLiteral("The address %1 has no usable host name: write it as %2HOST:PORT.")
      .arg(port, scheme);
}

}  // namespace cli
