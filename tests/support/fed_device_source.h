#pragma once

#include <QString>

#include <algorithm>

#include "device_source.h"

// A device source the tests feed: pseudo-terminals plugged in and pulled out as "devices".
class FedDeviceSource : public ports::DeviceSource {
 public:
  QList<ports::DetectedDevice> Devices() const override { return devices_; }
  void Refresh() override { ++refreshes_; }

  void Plug(const ports::DetectedDevice& device) {
    devices_.append(device);
    emit Changed();
  }
  void Unplug(const QString& path) {
    devices_.removeIf([&](const ports::DetectedDevice& device) { return device.path == path; });
    emit Changed();
  }
  // How often the list asked the source to look again.
  int Refreshes() const { return refreshes_; }

 private:
  QList<ports::DetectedDevice> devices_;
  int refreshes_ = 0;
};
