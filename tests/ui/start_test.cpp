// The window as it starts, its arrangement, and closing it.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "window_fixture.h"

namespace {}  // namespace

class StartTest : public WindowTest {};

TEST_F(StartTest, ShowsOnlyTheCommunicationGroupWithTheStartingSelections) {
  TMainF& window = OpenWindow();
  EXPECT_EQ(window.windowTitle(), "Tavrin ESC/POS Config 1.10");
  EXPECT_TRUE(Shown("Panel2"));
  EXPECT_TRUE(Shown("tabCommunicationSettings"));
  EXPECT_FALSE(Shown("tabPrinterSettings"));
  EXPECT_FALSE(Shown("tabDIPSwitches"));
  EXPECT_TRUE(Shown("Panel1"));
  EXPECT_FALSE(Shown("ION"));
  EXPECT_FALSE(Shown("IOFF"));
  EXPECT_FALSE(Find<QLabel>("ION")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("Set")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("Exit")->isEnabled());
  EXPECT_FALSE(Connected(window));
  EXPECT_EQ(ShownFamily(window), -1);
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), "");
  EXPECT_TRUE(Find<QLineEdit>("PrinterModel")->isReadOnly());
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->maximum(), 12);
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->value(), 0);

  // A machine without serial ports.
  EXPECT_EQ(Entries("cbPort"),
            QStringList({"COM1 — not present", "COM2 — not present", "COM3 — not present",
                         "COM4 — not present", "COM5 — not present", "COM6 — not present"}));
  const QStringList rates{"1200 bps",  "2400 bps",  "4800 bps",  "9600 bps",
                          "19200 bps", "38400 bps", "57600 bps", "115200 bps"};
  EXPECT_EQ(Entries("cbBaud"), rates);
  EXPECT_EQ(Entries("cbNewBaud"), rates);
  EXPECT_EQ(Entries("cbIntensity"),
            QStringList({"70 %", "80 %", "90 %", "100 %", "120 %", "150 %"}));
  EXPECT_EQ(Entries("cbSpeed"),
            QStringList({"100 (50) mm/s", "83 (42) mm/s", "66 (33) mm/s", "50 (25) mm/s"}));
  EXPECT_EQ(Entries("cbCountry").size(), 11);
  EXPECT_EQ(Entries("cbCountry")[2], "Germany");
  EXPECT_EQ(Entries("cbCodePage").size(), 20);
  EXPECT_EQ(Entries("cbCodePage")[15], "Windows Cyrilic (CP1251)");
  EXPECT_EQ(Entries("cbProtocol"), QStringList({"Hardware", "XON/XOFF"}));
  // An empty settings file: every list shows its stored default.
  const std::vector<std::pair<const char*, int>> selections = {
      {"cbPort", 0},    {"cbBaud", 7},     {"cbIntensity", 3},  {"cbSpeed", 0},
      {"cbCountry", 0}, {"cbCodePage", 0}, {"cbNewBaud", 7},    {"cbAutoCutter", 1},
      {"cbPaper", 1},   {"cbProtocol", 0}, {"cbCommandSet", 0}, {"cbEsct", 0}};
  for (const auto& [list, index] : selections) EXPECT_EQ(Selected(list), index) << list;
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(StartTest, ColumnsLineUpAcrossTheGroups) {
  StartPrinter(kFamily1Model);
  TMainF& window = OpenWindow();
  Click("Connect");
  Settle();
  const auto left = [&](const char* name) {
    return Find<QWidget>(name)->mapTo(&window, QPoint(0, 0)).x();
  };
  for (const char* first : {"cbIntensity", "cbCountry", "cbNewBaud", "cbProtocol"}) {
    EXPECT_EQ(left(first), left("cbPort")) << first;
  }
  for (const char* second : {"cbSpeed", "cbCodePage", "cbAutoCutter", "cbCommandSet", "Set"}) {
    EXPECT_EQ(left(second), left("cbBaud")) << second;
  }
  for (const char* third : {"cbPaper", "cbEsct", "Exit"}) {
    EXPECT_EQ(left(third), left("Connect")) << third;
  }
  EXPECT_EQ(Find<QWidget>("cbCodePage")->width(),
            left("Connect") + Find<QWidget>("Connect")->width() - left("cbBaud"));
}

TEST_F(StartTest, WindowGrowsWithTheGroupsAndShrinksBack) {
  StartPrinter(kFamily1Model);
  TMainF& window = OpenWindow();
  const QSize start = window.size();
  EXPECT_EQ(window.minimumSize(), window.maximumSize());

  Click("Connect");
  Settle();
  const QSize connected = window.size();
  EXPECT_GT(connected.height(), start.height() + Find<QWidget>("tabDIPSwitches")->height());
  EXPECT_EQ(connected.width(), start.width());

  Click("Connect");
  Settle();
  EXPECT_EQ(window.size(), start);
}

TEST_F(StartTest, ExitClosesTheWindowAndStoresTheChoices) {
  TMainF& window = OpenWindow();
  QSignalSpy finished(&window, &TMainF::Finished);
  Select("cbCountry", 4);
  Click("Exit");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(Stored("Country").toInt(), 4);
  EXPECT_EQ(Stored("Language").toInt(), 1);
  EXPECT_EQ(Stored("Baud").toInt(), 7);
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(StartTest, EscapePressesExit) {
  TMainF& window = OpenWindow();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QSignalSpy finished(&window, &TMainF::Finished);
  QTest::keyClick(Find<QWidget>("cbPort"), Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(Stored("Language").toInt(), 1);
}

TEST_F(StartTest, ClosingWhileConnectedClosesThePort) {
  StartPrinter(kFamily0Model);
  TMainF& window = OpenWindow();
  Click("Connect");
  ASSERT_TRUE(Connected(window));
  window.close();
  // The window's port is closed: another channel can take the device.
  Tserial other;
  other.SetDeviceResolver([this](int) { return printer_->DevicePath(); });
  EXPECT_TRUE(other.Open(1, 9600));
  EXPECT_EQ(Stored("Language").toInt(), 1);
}

// The bolt is drawn from its picture at the pixel ratio of the screen, not enlarged from 10 x 13.
TEST_F(StartTest, ConnectGlyphIsSharpAtTwiceThePixelDensity) {
  StartPrinter(kFamily0Model);
  OpenWindow();
  const auto* connect = Find<QPushButton>("Connect");
  const auto glyph = [connect] {
    return connect->icon().pixmap(connect->iconSize(), 2.0).toImage();
  };
  const QImage off = glyph();
  EXPECT_EQ(off.size(), connect->iconSize() * 2);
  EXPECT_EQ(off.devicePixelRatio(), 2.0);
  Click("Connect");
  const QImage on = glyph();
  EXPECT_EQ(on.size(), connect->iconSize() * 2);
  EXPECT_NE(on, off);
  // A 10 x 13 picture enlarged would be made of 2 x 2 blocks of one colour.
  int detailedBlocks = 0;
  for (int y = 0; y + 1 < on.height(); y += 2) {
    for (int x = 0; x + 1 < on.width(); x += 2) {
      const QRgb corner = on.pixel(x, y);
      if (on.pixel(x + 1, y) != corner || on.pixel(x, y + 1) != corner ||
          on.pixel(x + 1, y + 1) != corner) {
        ++detailedBlocks;
      }
    }
  }
  EXPECT_GT(detailedBlocks, 0);
}
