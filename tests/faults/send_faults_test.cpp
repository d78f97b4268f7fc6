// Faults while Set Settings runs: the line hung up in the middle of a family-1 send, and input
// left on the port that must not pass for the answer to the liveness check.
#include <QLineEdit>
#include <QProgressBar>

#include <cstdint>
#include <iostream>
#include <vector>

#include "faults_fixture.h"
#include "printer.h"
#include "temp_dir.h"

namespace {

// A family-1 send: the liveness check (a write and a read), the settings block, its end, eight
// switches and the closing command, each write with its own deadline, and nine pauses.
constexpr int kSendWrites = 1 + 1 + 1 + printer::kDipSwitchCount + 1;
constexpr int kSendReads = 1;
constexpr int kSendPauses = 1 + printer::kDipSwitchCount;

long long SendBoundMs(int pauseMs) {
  return (kSendWrites + kSendReads) * static_cast<long long>(printer::kTimeoutMs) +
         kSendPauses * static_cast<long long>(pauseMs) + 1000;
}

using SendFaults = FaultTest;

// A line that drops in the middle of the switches stops the send at the first command it no
// longer takes: no "Operation complete", the connection is dropped, and the printer, back on a
// new device, connects again.
TEST_F(SendFaults, HangUpDuringAFamilyOneSendStopsItAndDisconnects) {
  // Identify at Connect, identify at Set, the four setting commands, the settings end, and
  // switches 1 to 3: the line drops after the third switch.
  constexpr int kCommandsBeforeHangUp = 10;
  // The settings end and switches 1 to 3 each pause before the line is found gone.
  constexpr int kPausesBeforeHangUp = 4;
  // Longer than the printer takes to hang up after a command, so nothing else reaches it.
  constexpr int kPauseMs = 300;
  const TempDir folder;
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.hangUpAfterCommands = kCommandsBeforeHangUp;
  options.backAfterMs = 0;
  options.linkPath = folder.File("ttyPrinter");
  StartPrinter(options);
  MapComOne(options.linkPath);
  seams_.pauseMs = kPauseMs;
  OpenWindow();
  Click("Connect");
  ASSERT_TRUE(Connected(*window_));

  const long long took = TimedClick("Set");
  std::cout << "family-1 send over a line that dropped after switch 3: " << took << " ms (bound "
            << SendBoundMs(kPauseMs) << " ms)\n";
  EXPECT_LT(took, SendBoundMs(kPauseMs));
  EXPECT_GE(took, kPausesBeforeHangUp * kPauseMs) << "the pauses before the drop are kept";
  EXPECT_EQ(messages_, QStringList{kNoAnswer});
  ExpectNotConnected("... please connect first...");
  EXPECT_EQ(Find<QProgressBar>("pgProgress")->value(), 0);
  const auto commands = printer_->Commands();
  ASSERT_EQ(commands.size(), static_cast<std::size_t>(kCommandsBeforeHangUp));
  EXPECT_EQ(commands.back().kind, vprinter::CommandKind::DipSwitch);
  ASSERT_TRUE(printer_->WaitForPluggedIn(true, 2000));

  Click("Connect");
  ExpectConnected(kFamily1Model, 1);
  EXPECT_EQ(messages_.size(), 1);
}

struct Stale {
  const char* label;
  std::vector<std::uint8_t> afterReply;  // left after every answer
  std::vector<std::uint8_t> unasked;     // sent while connected
};

void PrintTo(const Stale& stale, std::ostream* out) { *out << stale.label; }

class StaleInput : public FaultTest, public testing::WithParamInterface<Stale> {
 protected:
  void Chatter() const {
    if (!GetParam().unasked.empty()) {
      ASSERT_TRUE(printer_->Send(GetParam().unasked));
    }
  }
};

// More than a reply's worth of bytes waits on the port when Set is clicked. A live printer
// still gets its settings; one switched off since is found out, although the bytes waiting
// would fill the 32 the liveness check reads.
TEST_P(StaleInput, CannotPassForALivePrinterAtSet) {
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.afterReply = GetParam().afterReply;
  StartPrinter(options);
  OpenWindow();
  Click("Connect");
  ExpectConnected(kFamily1Model, 1);

  Chatter();
  printer_->ClearReceived();
  Click("Set");
  EXPECT_EQ(messages_, QStringList{kOperationComplete});
  ASSERT_TRUE(printer_->WaitForCommands(1 + 4 + 1 + printer::kDipSwitchCount + 1, 2000));
  EXPECT_EQ(printer_->IdentifyCount(), 1);

  Chatter();
  printer_->SetSilent(true);
  printer_->ClearReceived();
  Click("Set");
  EXPECT_EQ(messages_, (QStringList{kOperationComplete, kNoAnswer}));
  ExpectNotConnected("... please connect first...");
  EXPECT_EQ(ReceivedAtLeast(2), (Bytes{0x1B, 0x5A})) << "nothing but the liveness check";
}

INSTANTIATE_TEST_SUITE_P(
    Sources, StaleInput,
    testing::Values(Stale{"BytesAfterEveryReply", std::vector<std::uint8_t>(40, 0x55), {}},
                    Stale{"UnaskedChatter", {}, std::vector<std::uint8_t>(64, 0x2A)}),
    [](const testing::TestParamInfo<Stale>& info) { return std::string(info.param.label); });

}  // namespace
