// What follows a send: the wait for a printer restarted at a new rate, and the test page.
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "settings_sequence.h"
#include "shown_text.h"
#include "test_page.h"
#include "window_fixture.h"

namespace {

const QString kOperationComplete =
    "Operation complete. In order to DIP settings changes take effect you have to turn off and on "
    "your printer!";

}  // namespace

class RestartTest : public WindowTest {
 protected:
  // A family-1 printer at 115200 bps, told to move to 9600 bps.
  void SendNewRate() {
    StartPrinter(AnsweringAs(kFamily1Model, 115200));
    OpenWindow();
    Click("Connect");
    ASSERT_TRUE(Connected(*window_));
    Select("cbNewBaud", 3);
    Click("Set");
    ASSERT_EQ(messages_, QStringList({kOperationComplete}));
  }

  bool Waiting() const { return ShownText(Find<QPushButton>("Connect")) == "Stop"; }
};

TEST_F(RestartTest, ThePrinterIsFollowedToItsNewRate) {
  SendNewRate();
  EXPECT_TRUE(Waiting());
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(),
            "Switch the printer off and on. Waiting for it at 9600 bps…");
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->maximum(), 0) << "busy";
  EXPECT_FALSE(Find<QWidget>("cbBaud")->isEnabled());
  // Until it is switched off the printer still answers at the old rate.
  QTest::qWait(700);
  EXPECT_TRUE(Waiting());
  ASSERT_TRUE(printer_->PowerCycle(300));

  ASSERT_TRUE(WaitUntil([this] { return Connected(*window_); }, 10000));
  EXPECT_EQ(Selected("cbBaud"), 3);
  EXPECT_EQ(messages_, QStringList({kOperationComplete, "The printer now works at 9600 bps."}));
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Disconnect");
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->maximum(), 8);
}

TEST_F(RestartTest, ALanguageChosenDuringTheWaitKeepsConnectStopping) {
  SendNewRate();
  Click("LangBG");
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Стоп");
  Click("LangEN");
  EXPECT_TRUE(Waiting());
  Click("Connect");
  ASSERT_TRUE(WaitUntil([this] { return !Waiting(); }, 2000));
  EXPECT_FALSE(Connected(*window_));
}

TEST_F(RestartTest, APrinterBackAtItsOldRateSaysTheChangeDidNotTake) {
  SendNewRate();
  printer_->SetSilent(true);
  QTest::qWait(800);
  printer_->SetSilent(false);
  ASSERT_TRUE(WaitUntil([this] { return Connected(*window_); }, 10000));
  EXPECT_EQ(Selected("cbBaud"), 7);
  EXPECT_EQ(messages_.last(),
            "The printer answered at 115200 bps: the new baud rate has not taken effect.");
}

TEST_F(RestartTest, StopAndTheLimitEndTheWaitNotConnected) {
  // A short limit; the first wait is stopped long before it.
  seams_.restartLimit = std::chrono::milliseconds(1200);
  SendNewRate();
  Click("Connect");
  ASSERT_TRUE(WaitUntil([this] { return !Waiting(); }, 2000));
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(messages_.size(), 1);
  EXPECT_TRUE(Find<QWidget>("cbBaud")->isEnabled());

  Click("Connect");
  Click("Set");
  ASSERT_TRUE(Waiting());
  ASSERT_TRUE(WaitUntil([this] { return !Waiting(); }, 5000));
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(messages_.last(), "Error communicating with printer");
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), "... please connect first...");
}

class TestPageTest : public WindowTest {};

TEST_F(TestPageTest, PrintsThePageOfTheChosenCodePageAndChangesNothing) {
  StartPrinter(kFamily0Model);
  Store("Language", 0);
  OpenWindow();
  EXPECT_FALSE(Find<QPushButton>("TestPage")->isEnabled());
  Click("Connect");
  Select("cbCodePage", 15);
  printer_->ClearReceived();
  int progressSteps = 0;
  QObject::connect(Find<QProgressBar>("pgProgress"), &QProgressBar::valueChanged,
                   [&progressSteps] { ++progressSteps; });
  Click("TestPage");

  printer::PrinterSettings settings;
  settings.codePage = 15;
  Bytes expected;
  for (const auto& step : printer::BuildTestPage(
           kFamily0Model, settings, {"100 %", "50 mm/s", "USA", "Windows Cyrilic (CP1251)"},
           InterfaceLanguage::Bulgarian)) {
    expected.insert(expected.end(), step.bytes.begin(), step.bytes.end());
  }
  EXPECT_EQ(ReceivedAtLeast(expected.size()), expected);
  EXPECT_GT(progressSteps, 10);
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_TRUE(Connected(*window_));
  EXPECT_TRUE(Find<QPushButton>("TestPage")->isEnabled());
  EXPECT_EQ(ShownText(Find<QPushButton>("TestPage")), "Тестова страница");
}

TEST_F(TestPageTest, APrinterLostBeforeThePageEndsDisconnected) {
  StartPrinter(kFamily0Model);
  OpenWindow();
  Click("Connect");
  ASSERT_TRUE(printer_->HangUp());
  Click("TestPage");
  EXPECT_EQ(messages_, QStringList({"Error communicating with printer"}));
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->value(), 0);
}
