#pragma once

#include <QString>

// Facts about device paths that the port list and a printer search rely on.
namespace ports {

inline constexpr auto kSerialByIdFolder = "/dev/serial/by-id";

// Whether path leads to a pseudo-terminal: a terminal program's end, never a serial device.
bool IsPseudoTerminal(const QString& path);

// Whether two paths lead to the same device, through links; names that lead to no file (COM
// names) compared as names.
bool SameDevice(const QString& first, const QString& second);

// The name that stays with a device across plugging: the link in byIdFolder that leads to it
// (udev makes one per USB adapter, after its maker, model and serial number), else the path.
QString StableName(const QString& device, const QString& byIdFolder = kSerialByIdFolder);

}  // namespace ports
