#pragma once

#include <QString>

namespace ports {

// A serial device the system reports as present.
struct DetectedDevice {
  QString path;         // what is opened: /dev/ttyUSB0; on Windows the COM name
  QString name;         // the kernel or COM name the user knows: ttyUSB0, COM9
  QString description;  // FT232R USB UART, USB 0403:6001, built-in serial port; on Windows
                        // SetupAPI's, else none
  QString stableName;   // what is stored: the /dev/serial/by-id link, else the path

  bool operator==(const DetectedDevice&) const = default;
};

}  // namespace ports
