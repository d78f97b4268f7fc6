// Sending the settings: the bytes in the order written, progress, messages and pauses.
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "shown_text.h"
#include "window_fixture.h"

namespace {

const Bytes kIdentify = {0x1B, 0x5A};
const Bytes kSettingsEnd = {0x1B, 0x3E, 0x00};
const Bytes kClosing = {0x1B, 0x54};
const QString kOperationComplete =
    "Operation complete. In order to DIP settings changes take effect you have to turn off and on "
    "your printer!";

}  // namespace

class SendTest : public WindowTest {
 protected:
  // Records every position the progress bar takes from now on.
  void WatchProgress() {
    positions_.clear();
    if (watching_) return;
    watching_ = true;
    QObject::connect(Find<QProgressBar>("pgProgress"), &QProgressBar::valueChanged,
                     [this](int value) { positions_.push_back(value); });
  }

  // Connects, forgets the identify of the connect, and clicks Set.
  void ConnectAndSet() {
    Click("Connect");
    ASSERT_TRUE(Connected(*window_));
    ASSERT_TRUE(printer_->WaitForReceived(2, 2000));
    printer_->ClearReceived();
    WatchProgress();
    Click("Set");
  }

  bool watching_ = false;

  std::vector<int> positions_;
};

TEST_F(SendTest, FamilyZeroSendsTheWorkedExample) {
  StartPrinter(kFamily0Model);
  OpenWindow();
  Select("cbIntensity", 3);
  Select("cbSpeed", 1);
  Select("cbCountry", 2);
  Select("cbCodePage", 15);
  ConnectAndSet();

  const Bytes expected =
      Concat({kIdentify,
              {0x1B, 0x59, 0x03, 0x1B, 0x58, 0x01, 0x1B, 0x52, 0x02, 0x1B, 0x74, 0x0F},
              kSettingsEnd,
              kClosing});
  EXPECT_EQ(ReceivedAtLeast(expected.size()), expected);
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(positions_, std::vector<int>({1, 2, 12}));
  EXPECT_TRUE(Find<QPushButton>("Set")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("Exit")->isEnabled());
  EXPECT_TRUE(Connected(*window_));
}

TEST_F(SendTest, FamilyOneSendsTheEightSwitchesAndAsksForARestart) {
  StartPrinter(kFamily1Model);
  OpenWindow();
  // Connected at the new rate already, so that the window does not wait for a restart.
  Select("cbBaud", 3);
  Select("cbNewBaud", 3);
  Select("cbProtocol", 1);
  Select("cbCommandSet", 0);
  Select("cbEsct", 0);
  Select("cbAutoCutter", 1);
  Select("cbPaper", 1);
  ConnectAndSet();

  const Bytes expected =
      Concat({kIdentify,
              {0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x74, 0x00},
              kSettingsEnd,
              {0x1D, 0x29, 0x01, 0x01},
              {0x1D, 0x29, 0x02, 0x01},
              {0x1D, 0x29, 0x03, 0x00},
              {0x1D, 0x29, 0x04, 0x01},
              {0x1D, 0x29, 0x05, 0x00},
              {0x1D, 0x29, 0x06, 0x00},
              {0x1D, 0x29, 0x07, 0x01},
              {0x1D, 0x29, 0x08, 0x01},
              kClosing});
  EXPECT_EQ(ReceivedAtLeast(expected.size()), expected);
  EXPECT_EQ(messages_, QStringList({kOperationComplete}));
  EXPECT_EQ(positions_, std::vector<int>({1, 2, 0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->maximum(), 8);
}

TEST_F(SendTest, NoNewBaudSkipsTheFirstThreeSwitchesAndJumpsToTheEnd) {
  StartPrinter(kFamily1Model);
  Store("NewBaud", 8);
  Store("Country", 11);
  OpenWindow();
  ASSERT_EQ(Selected("cbNewBaud"), -1);
  ASSERT_EQ(Selected("cbCountry"), -1);
  ConnectAndSet();

  // Stored defaults: protocol 0, command set 0, ESC t 0, auto-cutter 1, paper 1.
  const Bytes expected =
      Concat({kIdentify,
              {0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00, 0x1B, 0x52, 0xFF, 0x1B, 0x74, 0x00},
              kSettingsEnd,
              {0x1D, 0x29, 0x04, 0x00},
              {0x1D, 0x29, 0x05, 0x00},
              {0x1D, 0x29, 0x06, 0x00},
              {0x1D, 0x29, 0x07, 0x01},
              {0x1D, 0x29, 0x08, 0x01},
              kClosing});
  EXPECT_EQ(ReceivedAtLeast(expected.size()), expected);
  EXPECT_EQ(positions_, std::vector<int>({1, 2, 0, 1, 2, 3, 4, 5, 8}));
}

TEST_F(SendTest, AFamilyServedAfterFamilyOneKeepsTheMaximumOfEight) {
  StartPrinter(kFamily1Model);
  OpenWindow();
  ConnectAndSet();
  Click("Connect");
  printer_->Stop();
  StartPrinter(kFamily2Model);
  ConnectAndSet();
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->maximum(), 8);
  EXPECT_EQ(positions_, std::vector<int>({0, 1, 2, 8}));
  EXPECT_EQ(messages_, QStringList({kOperationComplete}));
}

TEST_F(SendTest, PrinterSwitchedOffAfterConnectingEndsDisconnected) {
  StartPrinter(kFamily1Model);
  OpenWindow();
  Click("Connect");
  printer_->SetSilent(true);
  Find<QProgressBar>("pgProgress")->setValue(5);
  WatchProgress();
  Click("Set");
  EXPECT_EQ(messages_, QStringList({"Error communicating with printer"}));
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), "... please connect first...");
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Connect");
  EXPECT_FALSE(Shown("tabPrinterSettings"));
  EXPECT_EQ(positions_, std::vector<int>({0}));
  // Set is enabled again whatever happened; the next click finds the port closed, and its
  // click of Connect is a new connection attempt.
  EXPECT_TRUE(Find<QPushButton>("Set")->isEnabled());
  printer_->SetSilent(false);
  Click("Set");
  EXPECT_EQ(messages_.size(), 2);
  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(printer_->IdentifyCount(), 3);
}

TEST_F(SendTest, RealPauseSeparatesTheSettingsEndFromTheClosingCommand) {
  StartPrinter(kFamily0Model);
  seams_.pauseMs = printer::kSequencePauseMs;
  OpenWindow();
  ConnectAndSet();
  ASSERT_TRUE(printer_->WaitForCommands(7, 2000));
  const auto commands = printer_->Commands();
  ASSERT_EQ(commands.size(), 7u);
  ASSERT_EQ(commands[5].kind, vprinter::CommandKind::SettingsEnd);
  ASSERT_EQ(commands[6].kind, vprinter::CommandKind::Closing);
  const auto gap = commands[6].millis - commands[5].millis;
  EXPECT_GE(gap, 1450);
  EXPECT_LE(gap, 2500);
  // The settings block and its end are written back to back.
  EXPECT_LE(commands[5].millis - commands[1].millis, 200);
}
