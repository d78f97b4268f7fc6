// The wait for a printer switched off and on after a change of its rate, against virtual
// printers on real pseudo-terminals.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "restart_wait.h"
#include "serial_line.h"

namespace {

using namespace serial_test;
using std::chrono::milliseconds;

vprinter::Options Silent() {
  vprinter::Options options;
  options.silent = true;
  return options;
}

// A printer never switched off goes on answering at the old rate: not an end of the wait.
TEST(RestartWait, GivesUpAtTheLimitWhenOnlyTheOldRateAnswers) {
  vprinter::Options atOldRate = Answering();
  atOldRate.baud = 57600;
  vprinter::VirtualPrinter printer(atOldRate);
  ASSERT_TRUE(printer.Start());
  printer::RestartWait wait{printer.DevicePath(), 115200, 57600};
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
  EXPECT_EQ(printer.Received().size(), 6 * 2u) << "an identify at each rate in every round";
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
