#pragma once

#include <QList>

#include "detected_device.h"

namespace ports {

// The serial devices the system reports now (Qt Serial Port's enumeration: udev or sysfs on
// Linux, SetupAPI on Windows), pseudo-terminals left out, each with the best description the
// system has. Takes some milliseconds: not for the way to the window's first paint.
QList<DetectedDevice> EnumerateDevices();

}  // namespace ports
