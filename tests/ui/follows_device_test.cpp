// Work that outlives a click follows its device, not a position in the port list: devices come
// and go during a search, a wait for a restarted printer and a connection.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "shown_text.h"
#include "temp_dir.h"
#include "window_fixture.h"

namespace {

const QString kOperationComplete =
    "Operation complete. In order to DIP settings changes take effect you have to turn off and on "
    "your printer!";

vprinter::Options Printer(const char* model, std::uint32_t baud, const std::string& link = {}) {
  vprinter::Options options = AnsweringAs(model, baud);
  options.linkPath = link;
  return options;
}

// A printer fed in as an adapter udev named, reached at path.
ports::DetectedDevice Adapter(const QString& path, const QString& name) {
  return {path, name, "FT232R USB UART", "/dev/serial/by-id/usb-" + name + "-if00-port0"};
}
ports::DetectedDevice Adapter(const vprinter::VirtualPrinter& printer, const QString& name) {
  return Adapter(QString::fromStdString(printer.DevicePath()), name);
}

}  // namespace

class FollowsDeviceTest : public WindowTest {
 protected:
  QString Current() const { return Find<QComboBox>("cbPort")->currentText(); }
  QString ConnectCaption() const { return ShownText(Find<QPushButton>("Connect")); }
};

TEST_F(FollowsDeviceTest, ASearchConnectsToTheDeviceThatAnsweredThoughTheListShifted) {
  vprinter::VirtualPrinter found(Printer(kFamily1Model, 2400));
  vprinter::VirtualPrinter newcomer(Printer("JOX MR71C Printer", 0));
  ASSERT_TRUE(found.Start() && newcomer.Start());
  auto devices = std::make_unique<FedDeviceSource>();
  devices->Plug(Adapter(found, "ttyUSB5"));
  OpenWindow(std::move(devices));
  Select("cbPort", 6);
  // Plugged in while the search tries its first port: it sorts first and takes that entry.
  bool plugged = false;
  QObject::connect(Find<QLineEdit>("PrinterModel"), &QLineEdit::textChanged, [&] {
    if (plugged) return;
    plugged = true;
    devices_->Plug(Adapter(newcomer, "ttyACM0"));
  });
  Click("Find");
  ASSERT_TRUE(WaitUntil([this] { return Connected(*window_) || !messages_.isEmpty(); }, 20000));
  ASSERT_TRUE(plugged);
  EXPECT_EQ(Entries("cbPort")[6], "ttyACM0 — FT232R USB UART");
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), kFamily1Model);
  EXPECT_EQ(Selected("cbPort"), 7);
  EXPECT_EQ(Current(), "ttyUSB5 — FT232R USB UART");
  EXPECT_EQ(newcomer.IdentifyCount(), 0) << "the search never tried it, nor did Connect";
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
}

TEST_F(FollowsDeviceTest, ARestartedPrinterBackBeforeTheListKnowsItIsReconnectedOnItsDevice) {
  const TempDir folder;
  const std::string link = folder.File("ttyUSB0");
  vprinter::VirtualPrinter printer(Printer(kFamily1Model, 9600, link));
  ASSERT_TRUE(printer.Start());
  auto devices = std::make_unique<FedDeviceSource>();
  devices->Plug(Adapter(QString::fromStdString(link), "ttyUSB0"));
  OpenWindow(std::move(devices));
  Select("cbPort", 6);
  Select("cbBaud", 3);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_)) << messages_.join(u'|').toStdString();
  Select("cbNewBaud", 7);
  Click("Set");
  ASSERT_EQ(messages_, QStringList({kOperationComplete}));
  ASSERT_EQ(ConnectCaption(), "Stop");

  // Switched off, a printer with its own USB serial loses its device, and the list its entry;
  // back on at the new rate, its device is there again before the list has caught up.
  ASSERT_TRUE(printer.HangUp());
  devices_->Unplug(QString::fromStdString(link));
  printer.SetLineBaud(115200);
  ASSERT_TRUE(printer.PlugIn());

  ASSERT_TRUE(WaitUntil([this] { return Connected(*window_); }, 10000))
      << messages_.join(u'|').toStdString();
  EXPECT_EQ(messages_.last(), "The printer now works at 115200 bps.");
  EXPECT_EQ(Selected("cbBaud"), 7);
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), kFamily1Model);
}

TEST_F(FollowsDeviceTest, AnAdapterThatReturnsWhileConnectedElsewhereTakesNotTheSelection) {
  StartPrinter(kFamily0Model);
  vprinter::VirtualPrinter adapter(Printer(kFamily1Model, 0));
  ASSERT_TRUE(adapter.Start());
  const ports::DetectedDevice returning = Adapter(adapter, "ttyUSB0");
  // The adapter was chosen last time; it is away, so COM1 stands in and is connected.
  Store("PortDevice", returning.stableName);
  OpenWindow();
  ASSERT_EQ(Selected("cbPort"), 0);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_));

  devices_->Plug(returning);
  EXPECT_EQ(Selected("cbPort"), 0);
  EXPECT_FALSE(Find<QWidget>("cbPort")->isEnabled());
  Click("Connect");
  EXPECT_EQ(Selected("cbPort"), 0) << "the next Connect goes to the printer that was connected";
  Click("Connect");
  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(printer_->IdentifyCount(), 2);
  EXPECT_EQ(adapter.IdentifyCount(), 0);
}
