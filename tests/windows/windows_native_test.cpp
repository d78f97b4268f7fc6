// What Wine never gives the Windows code (a serial driver's error codes, a device-change message
// for a COM port, the friendly names of SetupAPI), handed to it as Windows would hand it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// windows.h first: these need its types.
#include <dbt.h>
#include <initguid.h>
#include <winioctl.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDeadlineTimer>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

#include "device_change_watch.h"
#include "fed_device_source.h"
#include "open_failure_text.h"
#include "port_chooser.h"
#include "port_combo_box.h"
#include "serial.h"
#include "serial_errors_win32.h"
#include "system_device_source.h"

namespace {

QString Sentence(DWORD code, InterfaceLanguage language) {
  const OpenError error{
      serial_errors::OpenFailureOf(code, OpenFailure::Other), "COM12", {}, static_cast<int>(code)};
  return texts::OpenFailureText(error, 9600, language);
}

// Share mode 0: a port that another program has open refuses with ERROR_ACCESS_DENIED, which on
// a serial port is no question of permission.
TEST(WindowsErrors, APortAnotherProgramHasOpenIsInUse) {
  EXPECT_EQ(serial_errors::OpenFailureOf(ERROR_ACCESS_DENIED, OpenFailure::Other),
            OpenFailure::Busy);
  EXPECT_EQ(Sentence(ERROR_ACCESS_DENIED, InterfaceLanguage::English),
            "COM12 is in use by another program.");
  EXPECT_EQ(Sentence(ERROR_ACCESS_DENIED, InterfaceLanguage::Bulgarian),
            "COM12 се използва от друга програма.");
}

// A port that is not there, and one whose device left while it was open (a USB adapter pulled
// out): no device. Only the second lets go of an open port, each driver saying it its own way.
TEST(WindowsErrors, AMissingOrRemovedDeviceIsNoDevice) {
  for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME}) {
    EXPECT_EQ(Sentence(code, InterfaceLanguage::English), "There is no device at COM12.") << code;
    EXPECT_EQ(Sentence(code, InterfaceLanguage::Bulgarian), "Няма устройство на COM12.") << code;
    EXPECT_FALSE(serial_errors::DeviceGone(code)) << code;
  }
  for (const DWORD code : {ERROR_BAD_COMMAND, ERROR_DEVICE_REMOVED, ERROR_OPERATION_ABORTED,
                           ERROR_DEVICE_NOT_CONNECTED, ERROR_NOT_READY}) {
    EXPECT_TRUE(serial_errors::DeviceGone(code)) << code;
    EXPECT_EQ(Sentence(code, InterfaceLanguage::English), "There is no device at COM12.") << code;
  }
  // Neither a held port nor an error of the moment ends a connection.
  for (const DWORD code : {ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER, ERROR_IO_PENDING}) {
    EXPECT_FALSE(serial_errors::DeviceGone(code)) << code;
  }
  // An error that says nothing of its own leaves the reason of the step that failed.
  EXPECT_EQ(serial_errors::OpenFailureOf(ERROR_INVALID_FUNCTION, OpenFailure::NotSerial),
            OpenFailure::NotSerial);
  EXPECT_EQ(Sentence(ERROR_GEN_FAILURE, InterfaceLanguage::English), "");
}

// The system's device source, counting its looks.
class CountingSource : public ports::SystemDeviceSource {
 public:
  using SystemDeviceSource::SystemDeviceSource;
  void Refresh() override {
    ++looks;
    SystemDeviceSource::Refresh();
  }
  int looks = 0;
};

// A window of this thread that receives messages only.
class MessageWindow {
 public:
  MessageWindow()
      : handle_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                nullptr)) {}
  ~MessageWindow() { DestroyWindow(handle_); }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  MessageWindow(MessageWindow&&) = delete;
  MessageWindow& operator=(MessageWindow&&) = delete;

  HWND Handle() const { return handle_; }
  quintptr Id() const { return reinterpret_cast<quintptr>(handle_); }  // NOLINT

 private:
  HWND handle_;
};

DEV_BROADCAST_DEVICEINTERFACE_W InterfaceBroadcast(const GUID& interfaceClass) {
  DEV_BROADCAST_DEVICEINTERFACE_W broadcast{};
  broadcast.dbcc_size = sizeof broadcast;
  broadcast.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  broadcast.dbcc_classguid = interfaceClass;
  return broadcast;
}

qintptr Param(const void* broadcast) { return reinterpret_cast<qintptr>(broadcast); }  // NOLINT

// Hands a message to the application's native event filters, as the procedure of a Qt window
// does with every message Windows sends the window.
void Deliver(HWND window, WPARAM event, const void* broadcast) {
  MSG message{window, WM_DEVICECHANGE, event, Param(broadcast), 0, {}};
  qintptr result = 0;
  QAbstractEventDispatcher::instance()->filterNativeEvent("windows_generic_MSG", &message, &result);
}

// Waits for the source's next look, as long as a busy machine may need.
void AwaitLooks(const CountingSource& source, int looks) {
  const QDeadlineTimer deadline(10000);
  while (source.looks < looks && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

// Wine sends none: the messages an adapter's arrival brings the window (one for its COM-port
// interface, one for its port) make the source look again once; its removal, once more.
TEST(DeviceChange, AComPortComingAndGoingMakesTheListLookAgain) {
  const MessageWindow window;
  ASSERT_NE(window.Handle(), nullptr);
  CountingSource source(window.Id());
  const DEV_BROADCAST_DEVICEINTERFACE_W comPort = InterfaceBroadcast(GUID_DEVINTERFACE_COMPORT);
  DEV_BROADCAST_PORT_W port{};
  port.dbcp_size = sizeof port;
  port.dbcp_devicetype = DBT_DEVTYP_PORT;

  Deliver(window.Handle(), DBT_DEVICEARRIVAL, &comPort);
  Deliver(window.Handle(), DBT_DEVICEARRIVAL, &port);
  // Another window's message is not this list's.
  Deliver(nullptr, DBT_DEVICEARRIVAL, &comPort);
  AwaitLooks(source, 1);
  EXPECT_EQ(source.looks, 1);

  Deliver(window.Handle(), DBT_DEVICEREMOVECOMPLETE, &comPort);
  AwaitLooks(source, 2);
  EXPECT_EQ(source.looks, 2);
}

// Which messages are about serial ports: arrivals and removals of a COM-port interface or of a
// port; not another kind of device, nor a question before a removal.
TEST(DeviceChange, OnlyAComPortComingOrGoingCounts) {
  const DEV_BROADCAST_DEVICEINTERFACE_W comPort = InterfaceBroadcast(GUID_DEVINTERFACE_COMPORT);
  const DEV_BROADCAST_DEVICEINTERFACE_W disk = InterfaceBroadcast(GUID_DEVINTERFACE_DISK);
  DEV_BROADCAST_PORT_W port{};
  port.dbcp_size = sizeof port;
  port.dbcp_devicetype = DBT_DEVTYP_PORT;
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;

  EXPECT_TRUE(ports::AnnouncesSerialPort(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, Param(&comPort)));
  EXPECT_TRUE(
      ports::AnnouncesSerialPort(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, Param(&comPort)));
  EXPECT_TRUE(ports::AnnouncesSerialPort(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, Param(&port)));
  EXPECT_FALSE(ports::AnnouncesSerialPort(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, Param(&disk)));
  EXPECT_FALSE(ports::AnnouncesSerialPort(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, Param(&volume)));
  EXPECT_FALSE(ports::AnnouncesSerialPort(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, Param(&comPort)));
  EXPECT_FALSE(ports::AnnouncesSerialPort(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
  EXPECT_FALSE(ports::AnnouncesSerialPort(WM_SETTINGCHANGE, DBT_DEVICEARRIVAL, Param(&comPort)));
}

ports::DetectedDevice WindowsPort(int number, const QString& description) {
  const QString name = QStringLiteral("COM%1").arg(number);
  return {name, name, description, name};
}

QStringList Items(const PortComboBox& list) {
  QStringList items;
  for (int index = 0; index < list.count(); ++index) items << list.itemText(index);
  return items;
}

// Wine lists bare COM names only: the names SetupAPI gives on Windows become the entries. COM1
// to COM6 stay first and take their own port; the rest follow by their friendly names, COM10
// after COM9, and come and go with the devices.
TEST(FriendlyNames, BecomeThePortListsEntries) {
  PortComboBox list;
  const Tserial serial;
  PortChooser chooser(&list, serial);
  auto owned = std::make_unique<FedDeviceSource>();
  FedDeviceSource& source = *owned;
  source.Plug(WindowsPort(1, "Communications Port"));
  source.Plug(WindowsPort(10, "Prolific USB-to-Serial Comm Port"));
  source.Plug(WindowsPort(3, "USB Serial Port"));
  source.Plug(WindowsPort(9, "USB Serial Port"));
  chooser.SetSource(std::move(owned));

  const QStringList expected = {"COM1 \u2014 Communications Port",
                                "COM2 \u2014 not present",
                                "COM3 \u2014 USB Serial Port",
                                "COM4 \u2014 not present",
                                "COM5 \u2014 not present",
                                "COM6 \u2014 not present",
                                "USB Serial Port (COM9)",
                                "Prolific USB-to-Serial Comm Port (COM10)",
                                "Network port\u2026"};
  EXPECT_EQ(Items(list), expected);
  const std::vector<printer::SearchPort> searched = ports::SearchPorts(chooser.Entries(), -1);
  ASSERT_EQ(searched.size(), 4u);
  EXPECT_EQ(searched[1].name, "COM3");
  EXPECT_EQ(searched[3].name, "COM10");
  EXPECT_EQ(searched[3].device, "COM10");

  chooser.SetLanguage(InterfaceLanguage::Bulgarian);
  EXPECT_EQ(list.itemText(1), "COM2 \u2014 няма устройство");
  EXPECT_EQ(list.itemText(7), "Prolific USB-to-Serial Comm Port (COM10)");

  source.Unplug("COM9");
  source.Plug(WindowsPort(12, "Последователен порт USB"));
  EXPECT_EQ(list.itemText(6), "Prolific USB-to-Serial Comm Port (COM10)");
  EXPECT_EQ(list.itemText(7), "Последователен порт USB (COM12)");
  EXPECT_EQ(list.count(), expected.size());
}

// Wine's ports, like any SetupAPI does not describe, come without a description: the list calls
// them serial ports, in the window's language.
TEST(FriendlyNames, APortWithoutOneIsASerialPortInTheWindowsLanguage) {
  PortComboBox list;
  const Tserial serial;
  PortChooser chooser(&list, serial);
  auto source = std::make_unique<FedDeviceSource>();
  source->Plug(WindowsPort(1, QString()));
  source->Plug(WindowsPort(9, QString()));
  chooser.SetSource(std::move(source));

  EXPECT_EQ(list.itemText(0), "COM1 \u2014 Serial port");
  EXPECT_EQ(list.itemText(6), "Serial port (COM9)");
  chooser.SetLanguage(InterfaceLanguage::Bulgarian);
  EXPECT_EQ(list.itemText(0), "COM1 \u2014 Сериен порт");
  EXPECT_EQ(list.itemText(6), "Сериен порт (COM9)");
}

}  // namespace
