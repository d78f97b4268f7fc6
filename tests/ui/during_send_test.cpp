// What clicks and closing do while the settings are being sent.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <functional>

#include "shown_text.h"
#include "window_fixture.h"

namespace {

const Bytes kIdentify = {0x1B, 0x5A};
const Bytes kDefaultBlock = {0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00,
                             0x1B, 0x52, 0x00, 0x1B, 0x74, 0x00};
const Bytes kSettingsEnd = {0x1B, 0x3E, 0x00};

Bytes Dip(std::uint8_t number, std::uint8_t value) { return {0x1D, 0x29, number, value}; }

}  // namespace

class DuringSendTest : public WindowTest {
 protected:
  void SetUp() override {
    StartPrinter(kFamily1Model);
    OpenWindow();
    Select("cbNewBaud", 7);
    Click("Connect");
    ASSERT_TRUE(Connected(*window_));
    ASSERT_TRUE(printer_->WaitForReceived(2, 2000));
    printer_->ClearReceived();
    QObject::connect(Find<QProgressBar>("pgProgress"), &QProgressBar::valueChanged,
                     [this](int value) { positions_.push_back(value); });
  }

  // Runs action from the event loop once the bar reaches position with the given maximum.
  void When(int maximum, int position, const std::function<void()>& action) {
    auto* bar = Find<QProgressBar>("pgProgress");
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(bar, &QProgressBar::valueChanged, [=](int value) {
      if (bar->maximum() != maximum || value != position) return;
      QObject::disconnect(*once);
      QTimer::singleShot(0, action);
    });
  }

  // Waits for what is on its way, then a little longer to see that nothing else comes.
  Bytes AllReceived(std::size_t expected) {
    Bytes received = ReceivedAtLeast(expected);
    printer_->WaitForReceived(expected + 1, 100);
    return printer_->Received();
  }

  std::vector<int> positions_;
};

TEST_F(DuringSendTest, DisconnectInTheSwitchesStopsTheSendAndConnectWaitsForItsEnd) {
  bool connectOffDuringTheSend = false;
  When(8, 3, [&] {
    Click("Connect");
    // A second click, or the handler run from code, must not start a connection inside the send.
    Click("Connect");
    window_->ConnectClick();
    connectOffDuringTheSend = !Find<QPushButton>("Connect")->isEnabled();
  });
  Click("Set");
  const Bytes expected =
      Concat({kIdentify, kDefaultBlock, kSettingsEnd, Dip(1, 1), Dip(2, 1), Dip(3, 1)});
  EXPECT_EQ(AllReceived(expected.size()), expected);
  EXPECT_TRUE(connectOffDuringTheSend);
  EXPECT_EQ(positions_, std::vector<int>({1, 2, 0, 1, 2, 3, 0}));
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(printer_->IdentifyCount(), 1);
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Connect");
  EXPECT_FALSE(Shown("tabDIPSwitches"));

  // Once the send has returned, Connect works again.
  EXPECT_TRUE(Find<QPushButton>("Connect")->isEnabled());
  Click("Connect");
  EXPECT_TRUE(Connected(*window_));
}

TEST_F(DuringSendTest, DisconnectBeforeTheSwitchesSendsNothingMore) {
  When(12, 1, [this] { Click("Connect"); });
  Click("Set");
  EXPECT_EQ(AllReceived(2), kIdentify);
  EXPECT_EQ(positions_, std::vector<int>({1, 0}));
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_FALSE(Connected(*window_));
}

// The values go out as they were when Set was clicked: a new rate chosen half-way through the
// baud switches would leave the printer at a rate nobody chose.
TEST_F(DuringSendTest, EveryValueIsTakenAtTheClickAndTheListsAreOffMeanwhile) {
  std::vector<bool> listsEnabled;
  When(8, 2, [&] {
    EXPECT_FALSE(Find<QPushButton>("Set")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("Exit")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("LoadSettings")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("SaveSettings")->isEnabled());
    for (const char* list : {"cbNewBaud", "cbProtocol", "cbPaper", "cbIntensity"}) {
      listsEnabled.push_back(Find<QComboBox>(list)->isEnabled());
    }
    Select("cbNewBaud", 0);
    Select("cbProtocol", 1);
    Click("LangBG");
  });
  Click("Set");
  const Bytes expected =
      Concat({kIdentify, kDefaultBlock, kSettingsEnd, Dip(1, 1), Dip(2, 1), Dip(3, 1), Dip(4, 0),
              Dip(5, 0), Dip(6, 0), Dip(7, 1), Dip(8, 1), Bytes{0x1B, 0x54}});
  EXPECT_EQ(AllReceived(expected.size()), expected);
  EXPECT_EQ(listsEnabled, std::vector<bool>(4, false));
  EXPECT_EQ(Find<QLabel>("lbPort")->text(), "Сериен порт:");
  EXPECT_EQ(messages_.size(), 1);
  EXPECT_TRUE(Find<QComboBox>("cbNewBaud")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("Set")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("Exit")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("LoadSettings")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("SaveSettings")->isEnabled());
}

TEST_F(DuringSendTest, ClosingSavesAtOnceStopsTheSendAndTheProgramEndsWhenItReturns) {
  QSignalSpy finished(window_.get(), &TMainF::Finished);
  QVariant storedAtClose;
  Select("cbCountry", 6);
  When(8, 2, [&] {
    window_->close();
    storedAtClose = Stored("Country");
    EXPECT_EQ(finished.count(), 0);
  });
  Click("Set");

  EXPECT_EQ(storedAtClose.toInt(), 6);
  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(window_->isVisible());
  const Bytes expected =
      Concat({kIdentify,
              {0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00, 0x1B, 0x52, 0x06, 0x1B, 0x74, 0x00},
              kSettingsEnd,
              Dip(1, 1),
              Dip(2, 1)});
  EXPECT_EQ(AllReceived(expected.size()), expected);
  // The closed window claims nothing about switches that never reached the printer.
  EXPECT_TRUE(messages_.isEmpty());
}
