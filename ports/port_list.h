#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "detected_device.h"
#include "interface_language.h"
#include "printer_search.h"
#include "serial.h"

namespace ports {

// "COM1" to "COM6" are the first entries whatever is there, so that a stored port number keeps
// its meaning.
inline constexpr int kComEntries = 6;

// One entry of the port list.
struct PortEntry {
  int comNumber = 0;  // 1 to 6 for "COM1" to "COM6"; 0 for a device no COM entry reaches
  QString device;     // what the entry opens
  std::optional<DetectedDevice> detected;  // the detected device it reaches
  QString terminal;      // else the pseudo-terminal a COM entry reaches through the map: "pts/5"
  bool network = false;  // a port of a device server; device is its address (rfc2217://...)
  bool console = false;  // it reaches the system console, which is never opened

  bool IsCom() const { return comNumber > 0; }
  // "COM3", the detected device's name: "ttyUSB1", "COM9", or a network port's host and port:
  // "shop12.lan:7000".
  QString Name() const;
  // Whether a device is there to open: a detected one, the pseudo-terminal of a test, or a
  // network port (whether its server answers shows only when it is opened).
  bool IsPresent() const { return detected.has_value() || !terminal.isEmpty() || network; }
  // The name with what it opens, as a search reports it: "COM3 — ttyUSB0", "ttyUSB1"; on
  // Windows "COM3", "COM7".
  QString SearchName() const;
  // "COM1 — ttyUSB0, FT232R USB UART", "COM2 — not present", "ttyUSB1 — CP2102 USB to UART
  // Bridge Controller", "COM1 — ttyS0, system console", "shop12.lan:7000 — network, RFC 2217";
  // on Windows "COM3 — USB Serial Port" and, past COM6, the friendly name "USB Serial Port
  // (COM7)".
  QString Label(InterfaceLanguage language) const;
  // Whether it reaches the device stored by this name (a detected device's stable name or path,
  // a network port's address).
  bool Reaches(const QString& storedDevice) const;
};

// COM1 to COM6, each with what comDevice(n), the device Tserial opens for it, reaches among the
// devices; then every device that no COM entry reaches, in the order of their names (ttyUSB2
// before ttyUSB10); then the added network ports (their addresses, as prefs::NetworkPorts gives
// them) in their order, leaving out any that is not a network port's address.
std::vector<PortEntry> BuildPortList(const QList<DetectedDevice>& devices,
                                     const std::function<QString(int comNumber)>& comDevice,
                                     const QStringList& networkPorts = {});

// The address of a network port given by its parts: rfc2217://HOST:PORT or socket://HOST:PORT,
// an IPv6 address in brackets; empty when host or port cannot make one.
QString NetworkPortAddress(const QString& host, int port, bool rfc2217);

// The address a user typed for a network port: a whole address (rfc2217://... or socket://...)
// as it is, else "host:port" with the protocol chosen beside it; empty when it makes none.
QString NetworkPortFromInput(const QString& typed, bool rfc2217);

// The device each COM entry opens, its number resolved through map as Tserial resolves it.
std::function<QString(int comNumber)> ComDevicesOf(const Tserial::DeviceResolver& map);

// The ports a printer search tries: the selected entry first (-1: none), then every other entry
// that is present, in list order; each tagged with the entry's name.
std::vector<printer::SearchPort> SearchPorts(const std::vector<PortEntry>& entries, int selected);

}  // namespace ports
