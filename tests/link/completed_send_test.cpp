// What follows a send, as the window, apply and batch share it: the outcome, the model asked
// again, the slip, and the printer followed through the power cycle a new rate needs; against
// virtual printers on real pseudo-terminals.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "completed_send.h"
#include "serial_line.h"
#include "temp_dir.h"

namespace {

using namespace serial_test;
using printer::InstallFailure;
using printer::InstallResult;
using std::chrono::milliseconds;

constexpr std::uint32_t kOldRate = 9600;
constexpr std::uint32_t kNewRate = 115200;
constexpr int kOldRateIndex = 3;
constexpr int kNewRateIndex = 7;

// The MR460V, answering only at the rate its line is set to (9600 until its switches change it),
// printing onto paper; connected by a session.
class SentPrinter {
 public:
  explicit SentPrinter(int answers = -1) : printer_(Options(answers)), session_(serial_) {
    connected_ = printer_.Start() && session_.Connect(printer_.DevicePath(), kOldRate).outcome ==
                                         printer::ConnectOutcome::Connected;
  }

  bool Connected() const { return connected_; }
  printer::Session& Session() { return session_; }
  vprinter::VirtualPrinter& Printer() { return printer_; }

  // Sends settings, then completes the send as wished.
  printer::InstallOutcome Install(const printer::PrinterSettings& settings,
                                  const printer::SendWishes& wishes) {
    return printer::CompleteSend(session_, settings, session_.Send(settings, {}, 0), wishes);
  }

  // The printed lines so far.
  std::vector<std::string> Paper() const {
    std::ifstream file(paper_.File("paper.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

 private:
  vprinter::Options Options(int answers) const {
    vprinter::Options options = AnsweringAs(kFamily1Model);
    options.baud = kOldRate;
    options.stopAfter = answers;
    options.paperPath = paper_.File("paper.txt");
    return options;
  }

  TempDir paper_;
  vprinter::VirtualPrinter printer_;
  Tserial serial_;
  printer::Session session_;
  bool connected_ = false;
};

printer::PrinterSettings WithNewRate(int index) {
  printer::PrinterSettings settings;
  settings.newBaud = index;
  return settings;
}

std::size_t BytesOf(const printer::SettingsSequence& steps) {
  std::size_t count = 0;
  for (const printer::SequenceStep& step : steps) count += step.bytes.size();
  return count;
}

bool Printed(const std::vector<std::string>& paper, const std::string& line) {
  return std::find(paper.begin(), paper.end(), line) != paper.end();
}

TEST(CompletedSend, ConfirmedWhenTheSameModelAnswersAgain) {
  SentPrinter line;
  ASSERT_TRUE(line.Connected());
  printer::SendWishes wishes;
  wishes.confirmModel = true;
  const printer::InstallOutcome outcome = line.Install(WithNewRate(kOldRateIndex), wishes);
  EXPECT_EQ(outcome.result, InstallResult::Configured);
  EXPECT_EQ(outcome.model, kFamily1Model);
  EXPECT_EQ(outcome.family, printer::kDipFamily);
  EXPECT_EQ(outcome.rateBefore, kOldRate);
  EXPECT_EQ(outcome.rateAfter, kOldRate);
  EXPECT_EQ(outcome.rateChange, printer::RateChange::None);
  // The connect, the liveness check and the question after the closing command.
  ASSERT_TRUE(line.Printer().WaitForCommands(1 + 1 + 4 + 1 + 8 + 1 + 1, 2000));
  const auto commands = line.Printer().Commands();
  EXPECT_EQ(commands.back().kind, printer::CommandKind::Identify);
  EXPECT_EQ(commands[commands.size() - 2].kind, printer::CommandKind::Closing);
  EXPECT_TRUE(line.Session().IsConnected()) << "the caller ends the connection";

  // Without the wish nothing follows the closing command.
  line.Printer().ClearReceived();
  EXPECT_EQ(line.Install(WithNewRate(kOldRateIndex), {}).result, InstallResult::Configured);
  ASSERT_TRUE(line.Printer().WaitForCommands(1 + 4 + 1 + 8 + 1, 2000));
  EXPECT_FALSE(line.Printer().WaitForCommands(1 + 4 + 1 + 8 + 1 + 1, 200));
}

TEST(CompletedSend, APrinterSilentAfterTheSendIsNotConfirmed) {
  // Answers the connect and the liveness check, then nothing more.
  SentPrinter line(2);
  ASSERT_TRUE(line.Connected());
  printer::SendWishes wishes;
  wishes.confirmModel = true;
  wishes.printSlip = true;
  const printer::InstallOutcome outcome = line.Install(WithNewRate(kNewRateIndex), wishes);
  EXPECT_EQ(outcome.result, InstallResult::Failed);
  EXPECT_EQ(outcome.failure, InstallFailure::NotConfirmed);
  EXPECT_FALSE(outcome.stopped);
  EXPECT_EQ(outcome.rateAfter, kOldRate) << "a failed install changed no rate";
  // The connect, the liveness check, the send's fourteen commands and the confirmation: no slip.
  ASSERT_TRUE(line.Printer().WaitForCommands(17, 2000));
  EXPECT_FALSE(line.Printer().WaitForCommands(18, 300)) << "no slip for an unconfirmed printer";

  // Silent from the liveness check on: the send fails, and nothing follows it.
  line.Printer().ClearReceived();
  const printer::InstallOutcome unsent = line.Install(WithNewRate(kNewRateIndex), wishes);
  EXPECT_EQ(unsent.result, InstallResult::Failed);
  EXPECT_EQ(unsent.failure, InstallFailure::NoAnswerAtSend);
  EXPECT_FALSE(line.Printer().WaitForCommands(2, 300)) << "only the liveness check went out";
}

TEST(CompletedSend, TheSlipCarriesTheOutcomesFactsAndRunsAsTheCallerRunsIt) {
  SentPrinter line;
  ASSERT_TRUE(line.Connected());
  printer::SendWishes wishes;
  wishes.printSlip = true;
  wishes.slip.dateTime = "2026-12-09 14:05";
  wishes.slip.port = "COM3 (/dev/ttyUSB0)";
  wishes.language = InterfaceLanguage::English;
  // The connect's question, the send, and the slip as the caller ran it.
  std::size_t written = 2 + BytesOf(printer::Session::SendPlan(1, WithNewRate(kNewRateIndex), 0));
  std::size_t stepsRun = 0;
  wishes.run = [&](const printer::SettingsSequence& steps) {
    stepsRun = steps.size();
    written += BytesOf(steps);
    return line.Session().Run(steps, {});
  };
  const printer::InstallOutcome outcome = line.Install(WithNewRate(kNewRateIndex), wishes);
  EXPECT_EQ(outcome.result, InstallResult::RestartNeeded);
  EXPECT_GT(stepsRun, 10u);
  ASSERT_TRUE(line.Printer().WaitForReceived(written, 2000));

  const std::vector<std::string> paper = line.Paper();
  EXPECT_TRUE(Printed(paper, "Quillsetter: Installation slip"));
  EXPECT_TRUE(Printed(paper, "Date: 2026-12-09 14:05"));
  EXPECT_TRUE(Printed(paper, std::string("Model: ") + kFamily1Model));
  EXPECT_TRUE(Printed(paper, "Port: COM3 (/dev/ttyUSB0)"));
  EXPECT_TRUE(Printed(paper, "Rate: 9600 bps -> 115200 bps"));

  // A slip its caller stopped fails the install as stopped.
  wishes.run = [](const printer::SettingsSequence&) { return printer::SendOutcome::Stopped; };
  const printer::InstallOutcome stopped = line.Install(WithNewRate(kNewRateIndex), wishes);
  EXPECT_EQ(stopped.result, InstallResult::Failed);
  EXPECT_EQ(stopped.failure, InstallFailure::Stopped);
  EXPECT_TRUE(stopped.stopped);
}

TEST(CompletedSend, ANewRateNeedsARestartUnlessItIsFollowed) {
  SentPrinter line;
  ASSERT_TRUE(line.Connected());
  const printer::InstallOutcome outcome = line.Install(WithNewRate(kNewRateIndex), {});
  EXPECT_EQ(outcome.result, InstallResult::RestartNeeded);
  EXPECT_EQ(outcome.rateChange, printer::RateChange::WaitForRestart);
  EXPECT_EQ(outcome.rateBefore, kOldRate);
  EXPECT_EQ(outcome.rateAfter, kNewRate);
  EXPECT_TRUE(line.Session().IsConnected()) << "the port stays with the caller";
}

TEST(CompletedSend, ARestartFollowedEndsConfiguredAtTheNewRate) {
  SentPrinter line;
  ASSERT_TRUE(line.Connected());
  // Switched off and on once the wait has found it still on at the old rate: after the connect,
  // the liveness check and the confirmation, the fourth question it reads.
  std::atomic<bool> done = false;
  std::thread user([&] {
    while (!done && line.Printer().IdentifyCount() < 4) {
      std::this_thread::sleep_for(milliseconds(10));
    }
    if (!done) line.Printer().PowerCycle(700);
  });
  printer::SendWishes wishes;
  wishes.confirmModel = true;
  wishes.followRestart = true;
  wishes.restartLimit = milliseconds(8000);
  const printer::InstallOutcome outcome = line.Install(WithNewRate(kNewRateIndex), wishes);
  done = true;
  user.join();
  EXPECT_EQ(outcome.result, InstallResult::Configured);
  EXPECT_EQ(outcome.rateChange, printer::RateChange::WaitForRestart);
  EXPECT_EQ(outcome.rateAfter, kNewRate);
  EXPECT_EQ(line.Printer().LineBaud(), kNewRate);
  EXPECT_FALSE(line.Session().IsConnected()) << "the wait took the port";
}

TEST(CompletedSend, ARestartThatDoesNotComeFailsOrIsStopped) {
  SentPrinter line;
  ASSERT_TRUE(line.Connected());
  printer::SendWishes wishes;
  wishes.followRestart = true;
  wishes.restartLimit = milliseconds(1200);
  // Never switched off: it goes on answering at the old rate only.
  const printer::InstallOutcome outcome = line.Install(WithNewRate(kNewRateIndex), wishes);
  EXPECT_EQ(outcome.result, InstallResult::Failed);
  EXPECT_EQ(outcome.failure, InstallFailure::NoAnswerAfterWait);
  EXPECT_EQ(outcome.rateAfter, kNewRate);
  EXPECT_FALSE(outcome.stopped);

  ASSERT_EQ(line.Session().Connect(line.Printer().DevicePath(), kOldRate).outcome,
            printer::ConnectOutcome::Connected);
  const auto start = Clock::now();
  wishes.restartLimit = printer::kRestartLimit;
  wishes.stop = [&start] { return MillisSince(start) > 300; };
  const printer::InstallOutcome stopped = line.Install(WithNewRate(kNewRateIndex), wishes);
  EXPECT_EQ(stopped.result, InstallResult::Failed);
  EXPECT_EQ(stopped.failure, InstallFailure::Stopped);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_LT(MillisSince(start), 60000) << "the stop ended the wait long before its limit";
}

}  // namespace
