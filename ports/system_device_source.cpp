#include "system_device_source.h"

#include "device_enumeration.h"
#ifdef Q_OS_LINUX
#include "udev_watch.h"
#endif

namespace ports {

SystemDeviceSource::SystemDeviceSource(QObject* parent) : DeviceSource(parent) {
#ifdef Q_OS_LINUX
  connect(new UdevWatch(this), &UdevWatch::DevicesChanged, this, &SystemDeviceSource::Refresh);
#endif
}

void SystemDeviceSource::Refresh() {
  QList<DetectedDevice> devices = EnumerateDevices();
  if (devices == devices_) return;
  devices_ = std::move(devices);
  emit Changed();
}

}  // namespace ports
