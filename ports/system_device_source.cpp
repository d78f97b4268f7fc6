#include "system_device_source.h"

#include "device_enumeration.h"
#ifdef Q_OS_LINUX
#include "udev_watch.h"
#endif
#ifdef Q_OS_WIN
#include "device_change_watch.h"
#endif

namespace ports {

SystemDeviceSource::SystemDeviceSource(quintptr window, QObject* parent) : DeviceSource(parent) {
#ifdef Q_OS_LINUX
  // udev tells every process; no window is needed.
  Q_UNUSED(window);
  connect(new UdevWatch(this), &UdevWatch::DevicesChanged, this, &SystemDeviceSource::Refresh);
#elif defined(Q_OS_WIN)
  connect(new DeviceChangeWatch(window, this), &DeviceChangeWatch::DevicesChanged, this,
          &SystemDeviceSource::Refresh);
#endif
}

void SystemDeviceSource::Refresh() {
  QList<DetectedDevice> devices = EnumerateDevices();
  if (devices == devices_) return;
  devices_ = std::move(devices);
  emit Changed();
}

}  // namespace ports
