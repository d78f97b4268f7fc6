#pragma once

#include "device_source.h"

namespace ports {

// The system's serial devices. Looks only when asked (Refresh), and again by itself whenever
// udev announces a terminal device coming or going, where a udev daemon runs (Linux), or Windows
// tells window (a native window handle; 0 for none) that a serial port came or went.
class SystemDeviceSource : public DeviceSource {
 public:
  explicit SystemDeviceSource(quintptr window = 0, QObject* parent = nullptr);

  QList<DetectedDevice> Devices() const override { return devices_; }
  void Refresh() override;

 private:
  QList<DetectedDevice> devices_;
};

}  // namespace ports
