// The wait for a printer switched off and on after a change of its rate, against virtual
// printers on real pseudo-terminals.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "restart_wait.h"
#include "serial_line.h"
#include "settings_sequence.h"
#include "temp_dir.h"

namespace {

using namespace serial_test;
using std::chrono::milliseconds;

constexpr std::uint32_t kOldRate = 9600;
constexpr std::uint32_t kNewRate = 115200;
constexpr int kNewRateIndex = 7;
constexpr int kOffMs = 700;

vprinter::Options AtOldRate() {
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.baud = kOldRate;
  return options;
}

// Long enough for a few rounds after the restart; a wrong outcome ends the test within it.
printer::RestartWait ShortWait(const vprinter::VirtualPrinter& printer) {
  printer::RestartWait wait{printer.DevicePath(), kNewRate, kOldRate};
  wait.limit = milliseconds(5000);
  return wait;
}

// Switches the printer off once the wait has seen it answer at the old rate: at the start of
// the second round.
printer::RestartHooks PowerCycleInSecondRound(vprinter::VirtualPrinter& printer) {
  printer::RestartHooks hooks;
  hooks.progress = [&printer, rounds = 0](milliseconds) mutable {
    if (++rounds == 2) printer.PowerCycle(kOffMs);
  };
  return hooks;
}

TEST(RestartWait, EndsWithTheNewRateOnceThePrinterComesBackAtIt) {
  vprinter::VirtualPrinter printer(AtOldRate());
  ASSERT_TRUE(printer.Start());
  {
    Tserial serial;
    ASSERT_TRUE(serial.OpenDevice(printer.DevicePath(), kOldRate));
    printer::PrinterSettings settings;
    settings.newBaud = kNewRateIndex;
    const printer::SettingsSequence steps = printer::BuildSettingsSequence(1, settings, 0);
    ASSERT_EQ(printer::RunSteps(serial, printer::WithLivenessCheck(steps), {}),
              printer::SendOutcome::Complete);
    // All read at the old rate before the wait's first try sets the line to the new one: the
    // liveness check, the settings block's four commands and one for each later step.
    ASSERT_TRUE(printer.WaitForCommands(1 + 4 + (steps.size() - 1), 2000));
  }

  const printer::RestartResult result =
      printer::WaitForRestart(ShortWait(printer), PowerCycleInSecondRound(printer));

  EXPECT_EQ(result.outcome, printer::RestartOutcome::NewRate);
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_EQ(result.family, 1);
  EXPECT_GE(result.rounds, 3) << "the old rate's answer in the first round did not end the wait";
  EXPECT_EQ(printer.LineBaud(), kNewRate);
}

TEST(RestartWait, EndsWithTheOldRateWhenThePrinterWentOffAndCameBackAtIt) {
  vprinter::VirtualPrinter printer(AtOldRate());
  ASSERT_TRUE(printer.Start());

  const printer::RestartResult result =
      printer::WaitForRestart(ShortWait(printer), PowerCycleInSecondRound(printer));

  EXPECT_EQ(result.outcome, printer::RestartOutcome::OldRateKept);
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_GE(result.rounds, 3);
  EXPECT_GE(printer.IdentifyCount(), 2)
      << "the first round's answer, and the one after the restart";
  EXPECT_TRUE(result.bufferCleared);
}

// A printer with its own USB serial loses its device while off; it comes back at the same link.
TEST(RestartWait, EndsWithTheOldRateWhenAUsbPrintersDeviceVanishedAndCameBack) {
  const TempDir folder;
  vprinter::Options options = AtOldRate();
  options.linkPath = folder.File("usb-printer");
  options.backAfterMs = kOffMs;
  vprinter::VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  printer::RestartWait wait{options.linkPath, kNewRate, kOldRate};
  wait.limit = milliseconds(5000);
  printer::RestartHooks hooks;
  hooks.progress = [&printer, rounds = 0](milliseconds) mutable {
    if (++rounds == 2) printer.HangUp();
  };

  const auto start = Clock::now();
  const printer::RestartResult result = printer::WaitForRestart(wait, hooks);

  EXPECT_EQ(result.outcome, printer::RestartOutcome::OldRateKept);
  EXPECT_LT(MillisSince(start), 5000);
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_TRUE(result.bufferCleared);
  ASSERT_TRUE(printer.WaitForCommands(1, 1000));
  EXPECT_EQ(printer.Commands().back().bytes, std::vector<std::uint8_t>({0x1B, 0x40}))
      << "the new device's last command clears the buffer";
}

// A printer never switched off goes on answering at the old rate: not an end of the wait.
TEST(RestartWait, GivesUpAtTheLimitWhenOnlyTheOldRateAnswers) {
  vprinter::VirtualPrinter printer(AtOldRate());
  ASSERT_TRUE(printer.Start());
  printer::RestartWait wait = ShortWait(printer);
  wait.limit = milliseconds(1200);
  std::vector<long long> progress;
  printer::RestartHooks hooks;
  hooks.progress = [&progress](milliseconds waited) { progress.push_back(waited.count()); };

  const auto start = Clock::now();
  const printer::RestartResult result = printer::WaitForRestart(wait, hooks);
  const long long elapsed = MillisSince(start);

  EXPECT_EQ(result.outcome, printer::RestartOutcome::NoAnswer);
  // Rounds start at 0, 500 and 1000 ms; each tries the new rate, then the old one.
  EXPECT_EQ(result.rounds, 3);
  EXPECT_EQ(printer.IdentifyCount(), 3) << "answered at the old rate in every round";
  EXPECT_TRUE(result.bufferCleared);
  ASSERT_TRUE(printer.WaitForReceived(6 * 2u + 2, 1000));
  const std::vector<std::uint8_t> received = printer.Received();
  EXPECT_EQ(received.size(), 6 * 2u + 2) << "an identify at each rate in every round, one ESC @";
  EXPECT_EQ(std::vector<std::uint8_t>(received.end() - 2, received.end()),
            std::vector<std::uint8_t>({0x1B, 0x40}));
  EXPECT_EQ(printer.Chunks().back().baud, kOldRate) << "at the rate the printer answered at";
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_LT(progress[0], 100);
  EXPECT_GE(progress[1], 500);
  EXPECT_GE(progress[2], 1000);
  EXPECT_LT(elapsed, 1200 + 2000);
}

TEST(RestartWait, EndsSoonAfterAStopRequest) {
  vprinter::VirtualPrinter printer(Silent());
  ASSERT_TRUE(printer.Start());
  std::atomic<bool> stop{false};
  printer::RestartHooks hooks;
  hooks.stopRequested = [&stop] { return stop.load(); };

  std::atomic<Clock::rep> stoppedAt{0};
  std::thread requester([&] {
    std::this_thread::sleep_for(milliseconds(700));
    stoppedAt = Clock::now().time_since_epoch().count();
    stop = true;
  });
  const printer::RestartResult result =
      printer::WaitForRestart({printer.DevicePath(), 1200, 9600}, hooks);
  const auto returnedAt = Clock::now();
  requester.join();

  EXPECT_EQ(result.outcome, printer::RestartOutcome::Stopped);
  const Clock::time_point requested{Clock::duration{stoppedAt.load()}};
  EXPECT_LT(std::chrono::duration_cast<milliseconds>(returnedAt - requested).count(), 1000);
}

}  // namespace
