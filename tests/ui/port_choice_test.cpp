// The port list as the user sees it: adapters (virtual printers on pseudo-terminals fed in as
// detected devices) listed by name, plugged in and pulled out while the window is open, the
// chosen one remembered, and why a port would not open.
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "shown_text.h"
#include "window_fixture.h"

namespace {

const QString kNoAnswer = "Error communicating with printer";

// A virtual printer's device, fed in as an adapter udev named; the adapter's link, after its
// model, stays the same whichever device it gets.
ports::DetectedDevice Adapter(const vprinter::VirtualPrinter& printer, const QString& name,
                              const QString& model) {
  QString link = model;
  link.replace(u' ', u'_');
  return {QString::fromStdString(printer.DevicePath()), name, model,
          "/dev/serial/by-id/usb-" + link + "-if00-port0"};
}

}  // namespace

class PortChoiceTest : public WindowTest {
 protected:
  // A printer that no COM entry leads to.
  vprinter::VirtualPrinter& StartUnmappedPrinter() {
    printer_ = std::make_unique<vprinter::VirtualPrinter>(AnsweringAs(kFamily1Model));
    EXPECT_TRUE(printer_->Start());
    return *printer_;
  }
  QString Current() const { return Find<QComboBox>("cbPort")->currentText(); }
  QString ConnectCaption() const { return ShownText(Find<QPushButton>("Connect")); }
};

TEST_F(PortChoiceTest, TheSystemsDevicesAreListedOnlyAfterTheWindowIsShown) {
  TMainF window;
  window.show();
  const auto* list = window.findChild<QComboBox*>("cbPort");
  ASSERT_EQ(list->count(), 6);
  EXPECT_EQ(list->itemText(0), "COM1") << "no device was looked up on the way to the first paint";
  EXPECT_TRUE(QTest::qWaitFor([&] { return list->itemText(0).startsWith("COM1 — "); }, 5000));
  for (int i = 0; i + 1 < list->count(); ++i) EXPECT_TRUE(list->itemText(i).contains(" — ")) << i;
  EXPECT_EQ(list->itemText(list->count() - 1), "Network port…");
}

TEST_F(PortChoiceTest, AnAdapterIsListedByNameConnectsAndDropsTheConnectionWhenPulled) {
  vprinter::VirtualPrinter& printer = StartUnmappedPrinter();
  auto devices = std::make_unique<FedDeviceSource>();
  devices->Plug(Adapter(printer, "ttyUSB0", "FT232R USB UART"));
  OpenWindow(std::move(devices));
  ASSERT_EQ(Entries("cbPort").size(), 7);
  EXPECT_EQ(Entries("cbPort").last(), "ttyUSB0 — FT232R USB UART");

  Select("cbPort", 6);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_)) << messages_.join(u'|').toStdString();
  EXPECT_EQ(printer.IdentifyCount(), 1);

  // Pulled out: the connection ends at once, as by Disconnect, and the user is told.
  const QString gone = QString::fromStdString(printer.DevicePath());
  ASSERT_TRUE(printer.HangUp());
  devices_->Unplug(gone);
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(messages_, QStringList{kNoAnswer});
  EXPECT_EQ(ConnectCaption(), "Connect");
  EXPECT_TRUE(Find<QWidget>("cbPort")->isEnabled());
  EXPECT_EQ(Entries("cbPort").size(), 6);
  EXPECT_EQ(Selected("cbPort"), 0) << "the chosen COM entry stands in while the adapter is away";

  // Plugged in again as another device: chosen again, and it connects.
  ASSERT_TRUE(printer.PlugIn());
  devices_->Plug(Adapter(printer, "ttyUSB1", "FT232R USB UART"));
  EXPECT_EQ(Current(), "ttyUSB1 — FT232R USB UART");
  Click("Connect");
  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(printer.IdentifyCount(), 2);
  EXPECT_EQ(messages_.size(), 1);
}

TEST_F(PortChoiceTest, TheSelectionFollowsItsDeviceAndAComEntryShowsTheDeviceItReaches) {
  vprinter::VirtualPrinter first(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter second(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter mapped(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(first.Start() && second.Start() && mapped.Start());
  Store("Ports/COM2", QString::fromStdString(mapped.DevicePath()));
  OpenWindow();
  EXPECT_EQ(Entries("cbPort")[1], "COM2 — " + QString::fromStdString(mapped.DevicePath()).mid(5))
      << "a pseudo-terminal is reached, though no device is detected there";

  devices_->Plug(Adapter(second, "ttyUSB5", "CP2102 USB to UART Bridge Controller"));
  Select("cbPort", 6);
  devices_->Plug(Adapter(first, "ttyACM0", "USB 2341:0043"));
  EXPECT_EQ(Entries("cbPort").mid(6), (QStringList{"ttyACM0 — USB 2341:0043",
                                                   "ttyUSB5 — CP2102 USB to UART Bridge "
                                                   "Controller"}));
  EXPECT_EQ(Selected("cbPort"), 7);
  devices_->Plug(Adapter(mapped, "ttyUSB9", "USB-SERIAL CH340"));
  EXPECT_EQ(Entries("cbPort")[1], "COM2 — ttyUSB9, USB-SERIAL CH340");
  EXPECT_EQ(Entries("cbPort").size(), 8) << "a device COM2 reaches has no entry of its own";
  devices_->Unplug(QString::fromStdString(first.DevicePath()));
  EXPECT_EQ(Current(), "ttyUSB5 — CP2102 USB to UART Bridge Controller");

  // Opening the list looks for devices again, for systems where none are announced.
  const int refreshes = devices_->Refreshes();
  Find<QComboBox>("cbPort")->showPopup();
  Find<QComboBox>("cbPort")->hidePopup();
  EXPECT_EQ(devices_->Refreshes(), refreshes + 1);

  // COM2 connects to the device it reaches, and the connection drops when that device goes.
  Select("cbPort", 1);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_));
  devices_->Unplug(QString::fromStdString(second.DevicePath()));
  EXPECT_TRUE(Connected(*window_)) << "another device went";
  const QString reached = QString::fromStdString(mapped.DevicePath());
  ASSERT_TRUE(mapped.HangUp());
  devices_->Unplug(reached);
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(messages_, QStringList{kNoAnswer});
}

// An enumeration that cannot open a port this window holds leaves it out; it is still there.
TEST_F(PortChoiceTest, TheConnectionStaysWhileTheConnectedDeviceIsThereThoughNotListed) {
  vprinter::VirtualPrinter& printer = StartUnmappedPrinter();
  auto devices = std::make_unique<FedDeviceSource>();
  devices->Plug(Adapter(printer, "ttyS4", "16550A UART"));
  OpenWindow(std::move(devices));
  Select("cbPort", 6);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_)) << messages_.join(u'|').toStdString();

  const QString device = QString::fromStdString(printer.DevicePath());
  devices_->Unplug(device);
  EXPECT_TRUE(Connected(*window_)) << "its node is still there";
  EXPECT_TRUE(messages_.isEmpty());
  devices_->Plug(Adapter(printer, "ttyS4", "16550A UART"));
  EXPECT_TRUE(Connected(*window_));

  ASSERT_TRUE(printer.HangUp());
  devices_->Unplug(device);
  EXPECT_FALSE(Connected(*window_)) << "gone once its node is";
  EXPECT_EQ(messages_, QStringList{kNoAnswer});
}

TEST_F(PortChoiceTest, TheChosenAdapterIsRememberedAndWinsWhileItIsThere) {
  vprinter::VirtualPrinter& printer = StartUnmappedPrinter();
  const ports::DetectedDevice adapter = Adapter(printer, "ttyUSB0", "FT232R USB UART");
  const auto plugged = [&] {
    auto devices = std::make_unique<FedDeviceSource>();
    devices->Plug(adapter);
    return devices;
  };
  Store("Port", 3);
  OpenWindow(plugged());
  EXPECT_EQ(Selected("cbPort"), 2);
  Select("cbPort", 6);
  window_->close();
  EXPECT_EQ(Stored("PortDevice").toString(), adapter.stableName);
  EXPECT_EQ(Stored("Port").toInt(), 3);

  OpenWindow(plugged());
  EXPECT_EQ(Current(), "ttyUSB0 — FT232R USB UART");
  window_->close();

  // Away: the stored COM entry is chosen, and the adapter is still remembered.
  OpenWindow();
  EXPECT_EQ(Selected("cbPort"), 2);
  window_->close();
  EXPECT_EQ(Stored("PortDevice").toString(), adapter.stableName);

  // A COM entry chosen after it: the adapter is forgotten.
  OpenWindow(plugged());
  EXPECT_EQ(Selected("cbPort"), 6);
  Select("cbPort", 1);
  window_->close();
  EXPECT_FALSE(Stored("PortDevice").isValid());
  EXPECT_EQ(Stored("Port").toInt(), 2);
  OpenWindow(plugged());
  EXPECT_EQ(Selected("cbPort"), 1);

  // A stored 7 still selects nothing, though the list now has a seventh entry.
  window_->close();
  Store("Port", 7);
  OpenWindow(plugged());
  EXPECT_EQ(Selected("cbPort"), -1);
}

TEST_F(PortChoiceTest, APortThatWillNotOpenSaysWhyInTheInterfaceLanguage) {
  Store("Language", 0);
  Store("Ports/COM1", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  OpenWindow();
  Click("Connect");
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith("Connect failed. Please verify"));
  EXPECT_TRUE(
      messages_[0].endsWith("Printers\n\nНяма устройство на "
                            "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-"
                            "port0."))
      << messages_[0].toStdString();
}
