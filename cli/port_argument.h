#pragma once

#include <QString>

#include <vector>

#include "port_list.h"

namespace cli {

// A port as the command line names it, and the device that opens it.
struct PortTarget {
  QString name;
  QString device;
};

// The entries of the window's port list now: COM1 to COM6 through the [Ports] map, then the
// detected devices.
std::vector<ports::PortEntry> CurrentPortList();

// "COM3" is the COM entry; a detected device's name ("ttyUSB0", "COM9") is that device; anything
// else is a device path, or on Linux a name under /dev.
PortTarget ResolvePort(const QString& port, const std::vector<ports::PortEntry>& entries);

// What is wrong with a network port's address ("rfc2217://shop12.lan" has no port number);
// empty for a good address and for anything that is not meant as one.
QString AddressProblem(const QString& port);

}  // namespace cli
