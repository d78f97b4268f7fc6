// The settings sequence as data, and its run against a virtual printer on a pty.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "serial_line.h"
#include "settings_sequence.h"

namespace {

using namespace serial_test;
using printer::PrinterSettings;
using printer::SendOutcome;
using printer::SequenceStep;
using Bytes = std::vector<std::uint8_t>;

constexpr int kPause = 1500;
constexpr int kKeep = SequenceStep::kKeep;
constexpr int kFull = SequenceStep::kFull;

SequenceStep Dip(std::uint8_t number, std::uint8_t value, int position, int maximum = kKeep) {
  return {{0x1D, 0x29, number, value},
          kPause,
          maximum,
          position,
          "DIP switch " + std::to_string(number) + " = " + std::to_string(value)};
}

const SequenceStep kClosing{{0x1B, 0x54}, 0, kKeep, kFull, "closing command"};
const SequenceStep kEnd{{0x1B, 0x3E, 0x00}, kPause, kKeep, 2, "settings end"};

SequenceStep Block(Bytes bytes) { return {std::move(bytes), 0, kKeep, kKeep, "settings block"}; }

TEST(SettingsSequence, FamilyZeroIsTheBlockTheEndAPauseAndTheClosing) {
  PrinterSettings settings;
  settings.speed = 1;
  settings.country = 2;
  settings.codePage = 15;
  const printer::SettingsSequence expected = {
      Block({0x1B, 0x59, 0x03, 0x1B, 0x58, 0x01, 0x1B, 0x52, 0x02, 0x1B, 0x74, 0x0F}), kEnd,
      kClosing};
  EXPECT_EQ(printer::BuildSettingsSequence(0, settings), expected);
  EXPECT_EQ(printer::BuildSettingsSequence(2, settings), expected);
}

TEST(SettingsSequence, FamilyOneAddsTheEightSwitchesWithTheirPausesAndProgress) {
  PrinterSettings settings;
  settings.newBaud = 3;
  settings.protocol = 1;
  settings.esct = 0;
  const printer::SettingsSequence expected = {
      Block({0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x74, 0x00}),
      kEnd,
      Dip(1, 1, 1, 8),
      Dip(2, 1, 2),
      Dip(3, 0, 3),
      Dip(4, 1, 4),
      Dip(5, 0, 5),
      Dip(6, 0, 6),
      Dip(7, 1, 7),
      Dip(8, 1, 8),
      kClosing};
  EXPECT_EQ(printer::BuildSettingsSequence(1, settings), expected);
}

TEST(SettingsSequence, ListsWithNothingSelected) {
  PrinterSettings settings;
  settings.newBaud = -1;
  settings.country = -1;
  const printer::SettingsSequence steps = printer::BuildSettingsSequence(1, settings, 10);
  // No new rate: switches 1 to 3 are left out and the bar counts the other five of eight.
  ASSERT_EQ(steps.size(), 8u);
  EXPECT_EQ(steps[0].bytes,
            Bytes({0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00, 0x1B, 0x52, 0xFF, 0x1B, 0x74, 0x00}));
  const SequenceStep first{{0x1D, 0x29, 4, 0}, 10, 8, 1, "DIP switch 4 = 0"};
  EXPECT_EQ(steps[2], first);
  EXPECT_EQ(steps[6].bytes, Bytes({0x1D, 0x29, 8, 1}));
  EXPECT_EQ(steps[6].progress, 5);
  EXPECT_EQ(steps[7].progress, kFull);
}

struct SendRecord {
  std::vector<std::pair<int, int>> progress;
  std::vector<int> pauses;
  SendOutcome outcome = SendOutcome::Complete;
};

class SendSequenceTest : public testing::Test {
 protected:
  SendRecord Send(int family, const printer::SendHooks& extra = {}) {
    SendRecord run;
    printer::SendHooks hooks = extra;
    hooks.progress = [&run](int maximum, int position) {
      run.progress.emplace_back(maximum, position);
    };
    if (!hooks.pause) {
      hooks.pause = [&run](int ms) {
        run.pauses.push_back(ms);
        return true;
      };
    }
    run.outcome = printer::RunSteps(
        line_.serial,
        printer::WithLivenessCheck(printer::BuildSettingsSequence(family, PrinterSettings{})),
        hooks);
    return run;
  }

  Line line_;
};

TEST_F(SendSequenceTest, AFamilyOneSendReachesThePrinterWholeAndInOrder) {
  ASSERT_TRUE(line_.started);
  ASSERT_TRUE(line_.serial.Open(kPort, 115200));
  const SendRecord run = Send(1);
  EXPECT_EQ(run.outcome, SendOutcome::Complete);
  EXPECT_EQ(run.pauses, std::vector<int>(9, kPause));
  const std::vector<std::pair<int, int>> progress = {
      {kKeep, 0}, {kKeep, 1}, {kKeep, 2}, {8, 0},     {kKeep, 1}, {kKeep, 2},    {kKeep, 3},
      {kKeep, 4}, {kKeep, 5}, {kKeep, 6}, {kKeep, 7}, {kKeep, 8}, {kKeep, kFull}};
  EXPECT_EQ(run.progress, progress);
  ASSERT_TRUE(line_.printer.WaitForCommands(15, 2000));
  const auto commands = line_.printer.Commands();
  EXPECT_EQ(commands.front().kind, vprinter::CommandKind::Identify);
  EXPECT_EQ(commands[6].bytes, Bytes({0x1D, 0x29, 1, 1}));
  EXPECT_EQ(commands.back().kind, vprinter::CommandKind::Closing);
}

TEST_F(SendSequenceTest, AStopEndsTheSendAtTheNextStep) {
  ASSERT_TRUE(line_.started);
  ASSERT_TRUE(line_.serial.Open(kPort, 115200));
  int pausesLeft = 3;
  printer::SendHooks hooks;
  hooks.pause = [&pausesLeft](int) { return --pausesLeft > 0; };
  EXPECT_EQ(Send(1, hooks).outcome, SendOutcome::Stopped);
  // The settings end and two switches went out; the third pause said stop.
  ASSERT_TRUE(line_.printer.WaitForCommands(8, 2000));
  EXPECT_FALSE(line_.printer.WaitForCommands(9, 200));

  bool stop = false;
  hooks.pause = [&stop](int) {
    stop = true;
    return true;
  };
  hooks.stopRequested = [&stop] { return stop; };
  line_.printer.ClearReceived();
  EXPECT_EQ(Send(0, hooks).outcome, SendOutcome::Stopped);
  ASSERT_TRUE(line_.printer.WaitForCommands(6, 2000));
  EXPECT_FALSE(line_.printer.WaitForCommands(7, 200)) << "no closing command after the stop";
}

TEST_F(SendSequenceTest, SilentPrinterAndClosedPort) {
  ASSERT_TRUE(line_.started);
  ASSERT_TRUE(line_.serial.Open(kPort, 115200));
  line_.printer.SetSilent(true);
  const SendRecord silent = Send(0);
  EXPECT_EQ(silent.outcome, SendOutcome::NoAnswer);
  EXPECT_EQ(silent.progress, (std::vector<std::pair<int, int>>{{kKeep, 0}}));
  line_.serial.Close();
  EXPECT_EQ(Send(0).outcome, SendOutcome::NoAnswer);
}

}  // namespace
