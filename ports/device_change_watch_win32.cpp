#include "device_change_watch.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// windows.h first: these need its types.
#include <dbt.h>
#include <initguid.h>
#include <winioctl.h>

#include <QCoreApplication>

namespace ports {
namespace {

// An adapter brings a message for its interface and one for its port; one look after both.
constexpr int kSettleMs = 250;

// NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
HWND AsWindow(quintptr window) { return reinterpret_cast<HWND>(window); }
const DEV_BROADCAST_HDR* AsBroadcast(qintptr lParam) {
  return reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
}
// NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)

}  // namespace

bool AnnouncesSerialPort(unsigned message, quintptr wParam, qintptr lParam) {
  if (message != WM_DEVICECHANGE || lParam == 0 ||
      (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE)) {
    return false;
  }
  const DEV_BROADCAST_HDR* header = AsBroadcast(lParam);
  if (header->dbch_devicetype == DBT_DEVTYP_PORT) return true;
  if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
  // The header starts the interface's broadcast, which names its class.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
  const auto* interface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
  return IsEqualGUID(interface->dbcc_classguid, GUID_DEVINTERFACE_COMPORT) != 0;
}

DeviceChangeWatch::DeviceChangeWatch(quintptr window, QObject* parent)
    : QObject(parent), window_(window) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &DeviceChangeWatch::DevicesChanged);
  if (window_ == 0) return;
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = GUID_DEVINTERFACE_COMPORT;
  notification_ =
      RegisterDeviceNotificationW(AsWindow(window_), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

DeviceChangeWatch::~DeviceChangeWatch() {
  if (notification_ != nullptr) UnregisterDeviceNotification(notification_);
}

bool DeviceChangeWatch::nativeEventFilter(const QByteArray& eventType, void* message,
                                          qintptr* result) {
  Q_UNUSED(result);
  if (eventType != "windows_generic_MSG") return false;
  const auto* windowMessage = static_cast<const MSG*>(message);
  if (windowMessage->hwnd == AsWindow(window_) &&
      AnnouncesSerialPort(windowMessage->message, windowMessage->wParam, windowMessage->lParam)) {
    settle_.start();
  }
  // The window and Qt see the message too.
  return false;
}

}  // namespace ports
