#pragma once

#include <QList>
#include <QObject>

#include "detected_device.h"

namespace ports {

// Where the port list learns which serial devices are there: the system (SystemDeviceSource),
// or in tests a list they feed with pseudo-terminals and plug and unplug.
class DeviceSource : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // The devices found by the last look, in no particular order.
  virtual QList<DetectedDevice> Devices() const = 0;
  // Looks again now; Changed comes before it returns when the devices differ.
  virtual void Refresh() = 0;

 signals:
  // The devices differ from the last look: one came, went or was renamed.
  void Changed();
};

}  // namespace ports
