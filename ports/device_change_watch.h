#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

namespace ports {

// Whether a window message announces a serial port coming or going: WM_DEVICECHANGE with
// DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE about a device of the COM-port interface class,
// or about a port (sent to every top-level window, also for drivers that register no interface).
bool AnnouncesSerialPort(unsigned message, quintptr wParam, qintptr lParam);

// Tells when serial ports have come or gone, as Windows tells a window: a device notification
// for the COM-port interface class registered on the window's handle, its WM_DEVICECHANGE read
// through a native event filter, the messages of one plug settled into one signal. Silent
// without a window (0), as in the command line.
class DeviceChangeWatch : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT

 public:
  explicit DeviceChangeWatch(quintptr window, QObject* parent = nullptr);
  ~DeviceChangeWatch() override;
  Q_DISABLE_COPY_MOVE(DeviceChangeWatch)

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  void DevicesChanged();

 private:
  quintptr window_;
  void* notification_ = nullptr;  // the HDEVNOTIFY of the registration
  QTimer settle_;
};

}  // namespace ports
