// Connecting to a printer, the three connection messages, and disconnecting.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include "printer.h"
#include "shown_text.h"
#include "window_fixture.h"

namespace {

const QString kConnectFailed =
    "Connect failed. Please verify you have selected the right com port, the right baudrate (can "
    "be seen on printer's selftest) and you have no windows printer driver attached to this com "
    "port. This can be verified from Control Panel->Printers";
const Bytes kIdentify = {0x1B, 0x5A};

QStringList SpeedTexts(int family) {
  QStringList texts;
  for (const char* label : printer::SpeedEntries(family)) texts << label;
  return texts;
}

}  // namespace

class ConnectTest : public WindowTest {
 protected:
  void ExpectNotConnected() {
    EXPECT_FALSE(Connected(*window_));
    EXPECT_EQ(ShownFamily(*window_), -1);
    EXPECT_FALSE(Shown("tabPrinterSettings"));
    EXPECT_FALSE(Shown("tabDIPSwitches"));
    EXPECT_FALSE(Find<QPushButton>("Set")->isEnabled());
    for (const char* choice : {"cbPort", "lbPort", "cbBaud", "lbBaud"}) {
      EXPECT_TRUE(Find<QWidget>(choice)->isEnabled()) << choice;
    }
  }
};

struct Model {
  const char* name;
  int family;
};

void PrintTo(const Model& model, std::ostream* out) { *out << '"' << model.name << '"'; }

class ConnectToModel : public ConnectTest, public testing::WithParamInterface<Model> {};

TEST_P(ConnectToModel, ShowsTheModelAndTheSettingsOfItsFamily) {
  StartPrinter(GetParam().name);
  TMainF& window = OpenWindow();
  Select("cbSpeed", 2);
  Click("Connect");

  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
  EXPECT_TRUE(Connected(window));
  EXPECT_EQ(ShownFamily(window), GetParam().family);
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), QString(GetParam().name).trimmed());
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Disconnect");
  EXPECT_TRUE(Shown("tabPrinterSettings"));
  EXPECT_EQ(Shown("tabDIPSwitches"), GetParam().family == 1);
  EXPECT_TRUE(Find<QPushButton>("Set")->isEnabled());
  for (const char* choice : {"cbPort", "lbPort", "cbBaud", "lbBaud"}) {
    EXPECT_FALSE(Find<QWidget>(choice)->isEnabled()) << choice;
  }
  EXPECT_EQ(Entries("cbSpeed"), SpeedTexts(GetParam().family));
  // The speed index is kept under the family's own label ("33 mm/s" for family 0).
  EXPECT_EQ(Selected("cbSpeed"), 2);
  EXPECT_EQ(Find<QComboBox>("cbSpeed")->currentText(), printer::SpeedEntries(GetParam().family)[2]);
  EXPECT_EQ(ReceivedAtLeast(2), kIdentify);
}

// A model of each family; every supported model is connected at the session
// (tests/link/connect_outcomes_test.cpp).
INSTANTIATE_TEST_SUITE_P(EveryFamily, ConnectToModel,
                         testing::Values(Model{kFamily0Model, 0}, Model{kFamily1Model, 1},
                                         Model{"Tavrin MR2200T  ", 2}));

TEST_F(ConnectTest, DisconnectReturnsToTheNotConnectedStateAndKeepsTheSpeedLabels) {
  StartPrinter(kFamily1Model);
  OpenWindow();
  Click("Connect");
  Click("Connect");
  ExpectNotConnected();
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Connect");
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), "... please connect first...");
  EXPECT_EQ(Entries("cbSpeed"), SpeedTexts(1));
  EXPECT_TRUE(messages_.isEmpty());

  // The port was closed: connecting again opens it anew.
  Click("Connect");
  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(printer_->IdentifyCount(), 2);
}

TEST_F(ConnectTest, UnsupportedModelIsNamedTrimmedAndThePortClosed) {
  StartPrinter("  Acme Receipt 9000 \t");
  OpenWindow();
  Find<QProgressBar>("pgProgress")->setValue(5);
  Click("Connect");
  EXPECT_EQ(messages_, QStringList({"This printer model (Acme Receipt 9000) is not supported!"}));
  ExpectNotConnected();
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->value(), 0);
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), "");
  Tserial other;
  other.SetDeviceResolver([this](int) { return printer_->DevicePath(); });
  EXPECT_TRUE(other.Open(1, 9600));
}

TEST_F(ConnectTest, NamesCutAtTwentyOneBytesOrEmptyAreUnsupported) {
  StartPrinter(std::string(" ") + kFamily1Model);
  OpenWindow();
  Click("Connect");
  printer_->Stop();
  StartPrinter("");
  Click("Connect");
  EXPECT_EQ(messages_, QStringList({"This printer model (Tavrin MR460V Printe) is not supported!",
                                    "This printer model () is not supported!"}));
  ExpectNotConnected();
}

TEST_F(ConnectTest, SilentOrShortReplyIsAnErrorAndThePortCanBeOpenedAgain) {
  vprinter::Options shortReply;
  shortReply.reply = vprinter::ReplyForModel(kFamily0Model);
  shortReply.shortLength = 31;
  StartPrinter(shortReply);
  OpenWindow();
  Find<QProgressBar>("pgProgress")->setValue(5);
  Click("Connect");
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->value(), 0);
  printer_->SetSilent(true);
  Click("Connect");
  EXPECT_EQ(messages_,
            QStringList({"Error communicating with printer", "Error communicating with printer"}));
  ExpectNotConnected();
  EXPECT_EQ(ReceivedAtLeast(4), Concat({kIdentify, kIdentify}));
  // The port of a printer that did not answer is free for other programs.
  Tserial other;
  EXPECT_TRUE(other.OpenDevice(printer_->DevicePath(), 9600));
}

// Waiting a second for a silent printer, the window goes on painting and running its timers,
// with Connect off and a busy cursor, and no click starts another handler meanwhile.
TEST_F(ConnectTest, TheWindowKeepsPaintingWhileASilentPrinterIsAwaited) {
  vprinter::Options silent;
  silent.silent = true;
  StartPrinter(silent);
  OpenWindow();
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0;
  qint64 longest = 0;
  bool connectOff = false;
  bool busyCursor = false;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest = std::max(longest, clock.elapsed() - last);
    last = clock.elapsed();
    connectOff = connectOff || !Find<QPushButton>("Connect")->isEnabled();
    busyCursor = busyCursor || QApplication::overrideCursor() != nullptr;
  });
  ticker.start();
  Click("Connect");
  ticker.stop();
  EXPECT_GE(clock.elapsed(), 900);
  // A frozen window would show one gap of the whole second.
  EXPECT_LT(longest, 500);
  EXPECT_TRUE(connectOff);
  EXPECT_TRUE(busyCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(Find<QPushButton>("Connect")->isEnabled());
  EXPECT_EQ(messages_, QStringList({"Error communicating with printer"}));
}

TEST_F(ConnectTest, ChosenPortAndMissingDevice) {
  StartPrinter(kFamily0Model);
  Store("Ports/COM3", QString::fromStdString(printer_->DevicePath()));
  Store("Ports/COM1", "/nonexistent/tty");
  OpenWindow();
  Click("Connect");
  EXPECT_EQ(messages_,
            QStringList({kConnectFailed + "\n\nThere is no device at /nonexistent/tty."}));
  ExpectNotConnected();

  Select("cbPort", 2);
  Select("cbBaud", 3);
  Click("Connect");
  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(messages_.size(), 1);
}

TEST_F(ConnectTest, NoBaudRateSelectedRefusesToConnect) {
  StartPrinter(kFamily0Model);
  Store("Baud", 12);
  OpenWindow();
  ASSERT_EQ(Selected("cbBaud"), -1);
  Click("Connect");
  EXPECT_EQ(messages_, QStringList({kConnectFailed}));
  ExpectNotConnected();
  EXPECT_EQ(printer_->IdentifyCount(), 0);
}

// A Connect that fails while another window is the active one: the scope kept the application's
// focus widget (the other window's), and the list the connect had disabled lost the focus for
// good. The window's own focus goes back where it was.
TEST_F(ConnectTest, AFailedConnectWhileAnotherWindowIsActivePutsTheFocusBack) {
  Store("Ports/COM1", "/nonexistent/tty");
  OpenWindow();
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_TRUE(WaitUntil([&other] { return other.isActiveWindow(); }, 5000));
  auto* baud = Find<QComboBox>("cbBaud");
  baud->setFocus();
  ASSERT_EQ(window_->focusWidget(), baud);
  Click("Connect");
  EXPECT_EQ(messages_.size(), 1);
  EXPECT_EQ(window_->focusWidget(), baud);
}
