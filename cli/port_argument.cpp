#include "port_argument.h"

#include <QDir>
#include <QRegularExpression>

#include "device_enumeration.h"
#include "preferences.h"
#include "serial.h"

namespace cli {

std::vector<ports::PortEntry> CurrentPortList() {
  Tserial serial;
  serial.SetDeviceResolver(prefs::PortMapResolver());
  return ports::BuildPortList(ports::EnumerateDevices(), ports::ComDevicesOf(serial));
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
  if (com.hasMatch() || port.contains(u'/') || port.contains(QDir::separator())) {
    return {port, port};
  }
#ifdef Q_OS_WIN
  return {port, port};
#else
  return {port, QStringLiteral("/dev/") + port};
#endif
}

}  // namespace cli
