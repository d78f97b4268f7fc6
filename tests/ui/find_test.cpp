// The Find printer button: a search over the ports and rates that ends connected, or says what
// it saw, and that can be stopped.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "pty_line.h"
#include "shown_text.h"
#include "window_fixture.h"

class FindTest : public WindowTest {
 protected:
  // COM1 silent, COM2 an unsupported printer, COM3 a supported one at 2400 bps.
  void StartThreePrinters() {
    vprinter::Options silent;
    silent.silent = true;
    StartPrinter(silent);
    for (auto* printer : {&unsupported_, &supported_}) {
      ASSERT_TRUE(printer->Start());
    }
    Store("Ports/COM2", QString::fromStdString(unsupported_.DevicePath()));
    Store("Ports/COM3", QString::fromStdString(supported_.DevicePath()));
  }

  bool Searching() const {
    const QString caption = ShownText(Find<QPushButton>("Find"));
    return caption == "Stop" || caption == "Стоп";
  }

  // Clicks Find and waits until the search has ended.
  void FindAndWait(int timeoutMs = 20000) {
    Click("Find");
    QElapsedTimer clock;
    clock.start();
    while (Searching() && clock.elapsed() < timeoutMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
  }

  void TearDown() override {
    WindowTest::TearDown();
    unsupported_.Stop();
    supported_.Stop();
  }

  vprinter::VirtualPrinter unsupported_{AnsweringAs("Acme X1", 9600)};
  vprinter::VirtualPrinter supported_{AnsweringAs(kFamily1Model, 2400)};
};

TEST_F(FindTest, EndsConnectedToTheSupportedPrinterAtItsRate) {
  StartThreePrinters();
  OpenWindow();
  ASSERT_EQ(Selected("cbBaud"), 7);
  QStringList modelTexts;
  QObject::connect(Find<QLineEdit>("PrinterModel"), &QLineEdit::textChanged,
                   [&](const QString& text) { modelTexts << text; });
  int othersEnabled = 0;
  QObject::connect(Find<QProgressBar>("pgProgress"), &QProgressBar::valueChanged, [&] {
    if (!Searching()) return;
    for (const char* name :
         {"Connect", "Exit", "cbPort", "cbBaud", "LoadSettings", "SaveSettings"}) {
      othersEnabled += Find<QWidget>(name)->isEnabled() ? 1 : 0;
    }
  });
  FindAndWait();

  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(Selected("cbPort"), 2);
  EXPECT_EQ(Selected("cbBaud"), 1);
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), kFamily1Model);
  EXPECT_TRUE(Shown("tabDIPSwitches"));
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->value(), 0);
  EXPECT_EQ(othersEnabled, 0);
  ASSERT_FALSE(modelTexts.isEmpty());
  EXPECT_EQ(modelTexts.first(),
            "Looking for the printer on COM1 — " +
                QString::fromStdString(printer_->DevicePath()).section('/', -2) +
                " at 115200 bps…");
  // ESC @ cleared what the wrong rates left in the printer, before Connect asked its name.
  const std::vector<std::uint8_t> received = supported_.Received();
  ASSERT_GE(received.size(), 4u);
  const std::vector<std::uint8_t> tail(received.end() - 4, received.end());
  EXPECT_EQ(tail, std::vector<std::uint8_t>({0x1B, 0x40, 0x1B, 0x5A}));
  EXPECT_EQ(ShownText(Find<QPushButton>("Find")), "Find printer");
  EXPECT_FALSE(Find<QPushButton>("Find")->isEnabled());
}

// COM1 silent, COM2 an adapter with nothing behind it, COM3 the printer at 2400 bps: the three
// are tried at once, the bar says so and which ports are done, and COM3 ends connected.
TEST_F(FindTest, TriesThreePortsAtOnceAndConnectsToThePrinterAt2400OnTheThird) {
  vprinter::Options silent;
  silent.silent = true;
  StartPrinter(silent);
  vprinter::PtyLine bareAdapter;
  ASSERT_TRUE(bareAdapter.Open(""));
  ASSERT_TRUE(supported_.Start());
  Store("Ports/COM2", QString::fromStdString(bareAdapter.DevicePath()));
  Store("Ports/COM3", QString::fromStdString(supported_.DevicePath()));
  OpenWindow();
  auto* bar = Find<QProgressBar>("pgProgress");
  QStringList barTexts;
  QObject::connect(bar, &QProgressBar::valueChanged, [&] {
    if (bar->isTextVisible() && (barTexts.isEmpty() || barTexts.last() != bar->text())) {
      barTexts << bar->text();
    }
  });
  FindAndWait();

  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(Selected("cbPort"), 2);
  EXPECT_EQ(Selected("cbBaud"), 1);
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), kFamily1Model);
  EXPECT_TRUE(messages_.isEmpty());
  ASSERT_FALSE(barTexts.isEmpty());
  EXPECT_EQ(barTexts.first(), "Trying 3 ports at once");
  const QString third = QString::fromStdString(supported_.DevicePath()).section('/', -2);
  EXPECT_TRUE(barTexts.contains("Trying 3 ports at once; done: COM3 — " + third))
      << barTexts.join(" | ").toStdString();
  EXPECT_FALSE(bar->isTextVisible());
  EXPECT_EQ(printer_->IdentifyCount(), 8);
  const std::vector<std::uint8_t> received = supported_.Received();
  ASSERT_GE(received.size(), 4u);
  const std::vector<std::uint8_t> tail(received.end() - 4, received.end());
  EXPECT_EQ(tail, std::vector<std::uint8_t>({0x1B, 0x40, 0x1B, 0x5A}));
}

TEST_F(FindTest, NothingFoundListsWhatEachPortShowed) {
  StartThreePrinters();
  supported_.Stop();
  Store("Ports/COM3", "/nonexistent/tty");
  Store("Language", 0);
  OpenWindow();
  Find<QLineEdit>("PrinterModel")->setText("before");
  FindAndWait();
  EXPECT_FALSE(Connected(*window_));
  ASSERT_EQ(messages_.size(), 1);
  const QStringList lines = messages_.first().split('\n');
  const QString second = QString::fromStdString(unsupported_.DevicePath()).section('/', -2);
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[0], "Нито един поддържан принтер не отговори на никой порт и скорост.");
  EXPECT_TRUE(lines[1].startsWith("COM1 — ")) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].endsWith(": няма отговор")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], "COM2 — " + second + ": Acme X1 (не се поддържа) при 9600 bps");
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), "before");
  EXPECT_TRUE(Find<QPushButton>("Connect")->isEnabled());
  EXPECT_TRUE(Find<QWidget>("cbPort")->isEnabled());
}

TEST_F(FindTest, StopEndsTheSearchAtOnceAndLeavesTheWindowAsBefore) {
  StartThreePrinters();
  OpenWindow();
  Find<QLineEdit>("PrinterModel")->setText("before");
  Click("Find");
  EXPECT_EQ(ShownText(Find<QPushButton>("Find")), "Stop");
  QTest::qWait(300);
  QElapsedTimer clock;
  clock.start();
  FindAndWait();
  EXPECT_LT(clock.elapsed(), 1000);
  EXPECT_FALSE(Connected(*window_));
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), "before");
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->value(), 0);
  EXPECT_TRUE(Find<QPushButton>("Connect")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("Exit")->isEnabled());
}

TEST_F(FindTest, ClosingTheWindowMidSearchEndsItPromptly) {
  StartThreePrinters();
  OpenWindow();
  QSignalSpy finished(window_.get(), &TMainF::Finished);
  Click("Find");
  QTest::qWait(200);
  QElapsedTimer clock;
  clock.start();
  window_->close();
  EXPECT_EQ(finished.count(), 1);
  window_.reset();
  EXPECT_LT(clock.elapsed(), 1000);
  // Nothing is left open: the ports can be opened again at once.
  for (const std::string& device :
       {printer_->DevicePath(), unsupported_.DevicePath(), supported_.DevicePath()}) {
    Tserial serial;
    EXPECT_TRUE(serial.OpenDevice(device, 9600)) << device;
  }
}
