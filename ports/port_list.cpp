#include "port_list.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <string>
#include <tuple>

#include "device_paths.h"
#include "network_port.h"
#include "system_console.h"

namespace ports {
namespace {

const QString kDash = QStringLiteral(" \u2014 ");

// The name's stem, then its number: ttyS2 before ttyS10, COM9 before COM10.
bool NameOrder(const DetectedDevice& first, const DetectedDevice& second) {
  const auto split = [](const QString& name) {
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit()) --digits;
    return std::make_tuple(name.left(digits), name.mid(digits).toULongLong(), name);
  };
  return split(first.name) < split(second.name);
}

// A device path as the user knows it: under /dev without the folder ("pts/5").
QString ShortName(const QString& path) {
  static const QString kDevices = QStringLiteral("/dev/");
  return path.startsWith(kDevices) ? path.mid(kDevices.size()) : path;
}

// What the device says it is; a port Windows does not describe is a serial port.
QString Description(const DetectedDevice& device, InterfaceLanguage language) {
  if (!device.description.isEmpty()) return device.description;
  return language == InterfaceLanguage::Bulgarian ? QStringLiteral("Сериен порт")
                                                  : QStringLiteral("Serial port");
}

// A device no COM entry reaches, as the system names it to its users: on Windows its friendly
// name, "USB Serial Port (COM7)"; elsewhere its kernel name and description, "ttyUSB0 — FT232R
// USB UART".
QString DeviceLabel(const DetectedDevice& device, InterfaceLanguage language) {
#ifdef Q_OS_WIN
  return Description(device, language) + QStringLiteral(" (") + device.name + u')';
#else
  return device.name + kDash + Description(device, language);
#endif
}

std::optional<NetworkAddress> AddressOf(const QString& device) {
  return ParseNetworkAddress(device.toStdString());
}

// The device a link leads to; the path itself where it leads nowhere.
QString Canonical(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? path : canonical;
}

}  // namespace

QString PortEntry::Label(InterfaceLanguage language) const {
  if (network) {
    const bool bulgarian = language == InterfaceLanguage::Bulgarian;
    const bool raw = AddressOf(device)->protocol == NetworkProtocol::RawTcp;
    const QString kind = bulgarian ? QStringLiteral("мрежов, ") : QStringLiteral("network, ");
    const QString protocol =
        raw ? (bulgarian ? QStringLiteral("чист TCP") : QStringLiteral("raw TCP"))
            : QStringLiteral("RFC 2217");
    return Name() + kDash + kind + protocol;
  }
  if (console) {
    const QString mark = language == InterfaceLanguage::Bulgarian
                             ? QStringLiteral("системна конзола")
                             : QStringLiteral("system console");
    const QString reached = detected ? detected->name : ShortName(Canonical(device));
    return IsCom() ? Name() + kDash + reached + QStringLiteral(", ") + mark
                   : reached + kDash + mark;
  }
  if (!IsCom()) return DeviceLabel(*detected, language);
  const QString com = QStringLiteral("COM%1").arg(comNumber);
  if (detected) {
    // On Windows COM3 reaches the device named COM3.
    const bool sameName = detected->name.compare(com, Qt::CaseInsensitive) == 0;
    const QString description = Description(*detected, language);
    return com + kDash +
           (sameName ? description : detected->name + QStringLiteral(", ") + description);
  }
  if (!terminal.isEmpty()) return com + kDash + terminal;
  return com + kDash +
         (language == InterfaceLanguage::Bulgarian ? QStringLiteral("няма устройство")
                                                   : QStringLiteral("not present"));
}

QString PortEntry::Name() const {
  if (network) {
    // The address without its scheme: "shop12.lan:7000", "[fe80::1]:7000".
    return device.mid(device.indexOf(QStringLiteral("://")) + 3);
  }
  return IsCom() ? QStringLiteral("COM%1").arg(comNumber) : detected->name;
}

QString PortEntry::SearchName() const {
  if (!IsCom()) return Name();
  const QString reached = detected             ? detected->name
                          : terminal.isEmpty() ? ShortName(device)
                                               : terminal;
  // On Windows COM3 reaches the port named COM3.
  if (reached.compare(Name(), Qt::CaseInsensitive) == 0) return Name();
  return Name() + kDash + reached;
}

bool PortEntry::Reaches(const QString& storedDevice) const {
  if (storedDevice.isEmpty()) return false;
  if (network) return device == storedDevice;
  return detected && (detected->stableName == storedDevice || detected->path == storedDevice);
}

std::vector<PortEntry> BuildPortList(const QList<DetectedDevice>& devices,
                                     const std::function<QString(int comNumber)>& comDevice,
                                     const QStringList& networkPorts) {
  QList<DetectedDevice> unreached = devices;
  std::sort(unreached.begin(), unreached.end(), NameOrder);
  const std::vector<std::string> consoles = system_console::Devices();
  const auto isConsole = [&consoles](const QString& device) {
    return system_console::IsConsole(QFile::encodeName(device).toStdString(), consoles);
  };
  std::vector<PortEntry> entries;
  for (int number = 1; number <= kComEntries; ++number) {
    PortEntry entry{number, comDevice(number), std::nullopt, {}};
    const auto reached = std::find_if(devices.begin(), devices.end(), [&](const auto& device) {
      return SameDevice(device.path, entry.device);
    });
    if (reached != devices.end()) {
      entry.detected = *reached;
      unreached.removeAll(*reached);
    } else if (IsPseudoTerminal(entry.device)) {
      entry.terminal = ShortName(QFileInfo(entry.device).canonicalFilePath());
    }
    entry.console = isConsole(entry.device);
    entries.push_back(std::move(entry));
  }
  for (const DetectedDevice& device : unreached) {
    entries.push_back({.device = device.path,
                       .detected = device,
                       .terminal = {},
                       .console = isConsole(device.path)});
  }
  for (const QString& address : networkPorts) {
    if (AddressOf(address)) {
      entries.push_back(
          {.device = address, .detected = std::nullopt, .terminal = {}, .network = true});
    }
  }
  return entries;
}

QString NetworkPortAddress(const QString& host, int port, bool rfc2217) {
  const QString trimmed = host.trimmed();
  const bool ipv6 = trimmed.contains(':') && !trimmed.startsWith('[');
  const QString address = (rfc2217 ? QStringLiteral("rfc2217://") : QStringLiteral("socket://")) +
                          (ipv6 ? '[' + trimmed + ']' : trimmed) + ':' + QString::number(port);
  return AddressOf(address) ? address : QString();
}

QString NetworkPortFromInput(const QString& typed, bool rfc2217) {
  const QString text = typed.trimmed();
  if (text.contains(QStringLiteral("://"))) return AddressOf(text) ? text : QString();
  const qsizetype colon = text.lastIndexOf(u':');
  if (colon <= 0) return {};
  bool number = false;
  const int port = text.mid(colon + 1).toInt(&number);
  return number ? NetworkPortAddress(text.left(colon), port, rfc2217) : QString();
}

std::function<QString(int comNumber)> ComDevicesOf(const Tserial::DeviceResolver& map) {
  return [map](int number) {
    return QFile::decodeName(QByteArray::fromStdString(ComDevice(number, map)));
  };
}

std::vector<printer::SearchPort> SearchPorts(const std::vector<PortEntry>& entries, int selected) {
  std::vector<printer::SearchPort> ports;
  const auto add = [&](int index) {
    const PortEntry& entry = entries[static_cast<std::size_t>(index)];
    ports.push_back({entry.SearchName().toStdString(),
                     QFile::encodeName(entry.device).toStdString(), entry.Name().toStdString()});
  };
  const int count = static_cast<int>(entries.size());
  if (selected >= 0 && selected < count) add(selected);
  for (int index = 0; index < count; ++index) {
    if (index != selected && entries[static_cast<std::size_t>(index)].IsPresent()) add(index);
  }
  return ports;
}

}  // namespace ports
