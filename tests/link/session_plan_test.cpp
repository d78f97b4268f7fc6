// What the session plans is what it sends: the steps of a send (the dry run's) and of a test
// page, byte for byte and pause for pause, against a virtual printer of each family on a real
// pseudo-terminal.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "serial_line.h"
#include "session.h"

namespace {

using namespace serial_test;
using Bytes = std::vector<std::uint8_t>;

// A model of each family, 0 to 2.
constexpr std::array<const char*, 3> kModels = {kFamily0Model, kFamily1Model, kFamily2Model};

Bytes BytesOf(const printer::SettingsSequence& steps) {
  Bytes bytes;
  for (const printer::SequenceStep& step : steps) {
    bytes.insert(bytes.end(), step.bytes.begin(), step.bytes.end());
  }
  return bytes;
}

std::vector<int> PausesOf(const printer::SettingsSequence& steps) {
  std::vector<int> pauses;
  for (const printer::SequenceStep& step : steps) {
    if (step.pauseMs > 0) pauses.push_back(step.pauseMs);
  }
  return pauses;
}

// What a run put on the wire and how it went.
struct Wire {
  printer::SendOutcome outcome = printer::SendOutcome::Stopped;
  Bytes bytes;
  std::vector<std::size_t> steps;  // the indices stepSent reported
  std::vector<int> pauses;
};

// A printer of the model, connected at 9600 bps; its record starts after the connect.
class PlannedPrinter {
 public:
  explicit PlannedPrinter(const char* model) : printer_(AnsweringAs(model)), session_(serial_) {
    connected_ = printer_.Start() && session_.Connect(printer_.DevicePath(), 9600).outcome ==
                                         printer::ConnectOutcome::Connected;
    printer_.ClearReceived();
  }

  bool Connected() const { return connected_; }
  printer::Session& Session() { return session_; }
  vprinter::VirtualPrinter& Printer() { return printer_; }

  // Runs what the session does, then takes what arrived, no more than expected.
  template <class Run>
  Wire Record(std::size_t expected, const Run& run) {
    Wire wire;
    printer::SendHooks hooks;
    hooks.stepSent = [&wire](std::size_t index) { wire.steps.push_back(index); };
    hooks.pause = [&wire](int ms) {
      wire.pauses.push_back(ms);
      return true;
    };
    wire.outcome = run(hooks);
    EXPECT_TRUE(printer_.WaitForReceived(expected, 2000));
    EXPECT_FALSE(printer_.WaitForReceived(expected + 1, 100)) << "more than was planned";
    wire.bytes = printer_.Received();
    printer_.ClearReceived();
    return wire;
  }

 private:
  vprinter::VirtualPrinter printer_;
  Tserial serial_;
  printer::Session session_;
  bool connected_ = false;
};

std::vector<std::size_t> EveryIndex(std::size_t count) {
  std::vector<std::size_t> indices(count);
  for (std::size_t index = 0; index < count; ++index) indices[index] = index;
  return indices;
}

TEST(SessionPlan, ASendWritesItsPlanInEveryFamily) {
  printer::PrinterSettings settings;
  settings.intensity = 5;
  settings.country = -1;
  settings.codePage = 15;
  settings.newBaud = 2;
  settings.protocol = 1;
  settings.paper = 0;
  std::vector<std::size_t> stepCounts;
  for (const char* model : kModels) {
    SCOPED_TRACE(model);
    PlannedPrinter line(model);
    ASSERT_TRUE(line.Connected());
    // Planned without a connection, from the family alone, as the dry run plans it.
    const int family = printer::Classify(model);
    const printer::SettingsSequence plan = printer::Session::SendPlan(family, settings, 7);
    const Wire sent = line.Record(BytesOf(plan).size(), [&](const printer::SendHooks& hooks) {
      return line.Session().Send(settings, hooks, 7);
    });
    EXPECT_EQ(sent.outcome, printer::SendOutcome::Complete);
    EXPECT_EQ(sent.bytes, BytesOf(plan));
    EXPECT_EQ(sent.steps, EveryIndex(plan.size())) << "each planned step is one step sent";
    EXPECT_EQ(sent.pauses, PausesOf(plan));
    ASSERT_FALSE(plan.empty());
    EXPECT_TRUE(plan.front().asksModel);
    EXPECT_EQ(plan.front().bytes, Bytes({0x1B, 0x5A})) << "the liveness check comes first";
    stepCounts.push_back(plan.size());
  }
  // Only the printer with DIP switches is sent its eight switches.
  EXPECT_EQ(stepCounts, std::vector<std::size_t>({4, 12, 4}));
}

TEST(SessionPlan, ATestPageWritesItsPlanInEveryFamilyAndLanguage) {
  printer::PrinterSettings settings;
  settings.speed = 1;
  settings.codePage = 7;  // CP866: the Bulgarian sample line is printed too
  for (const char* model : kModels) {
    PlannedPrinter line(model);
    ASSERT_TRUE(line.Connected());
    for (const InterfaceLanguage language :
         {InterfaceLanguage::English, InterfaceLanguage::Bulgarian}) {
      SCOPED_TRACE(std::string(model) + (language == InterfaceLanguage::English ? ", en" : ", bg"));
      const printer::SettingsSequence plan =
          printer::Session::TestPagePlan(model, settings, language);
      const Wire printed = line.Record(BytesOf(plan).size(), [&](const printer::SendHooks& hooks) {
        return line.Session().PrintTestPage(settings, language, hooks);
      });
      EXPECT_EQ(printed.outcome, printer::SendOutcome::Complete);
      EXPECT_EQ(printed.bytes, BytesOf(plan));
      EXPECT_EQ(printed.steps, EveryIndex(plan.size()));
    }
  }
}

// A printer gone silent fails the plan's first step, and nothing after it goes out.
TEST(SessionPlan, TheLivenessCheckIsTheStepThatFindsASilentPrinter) {
  PlannedPrinter line(kModels[1]);
  ASSERT_TRUE(line.Connected());
  line.Printer().SetSilent(true);
  const printer::PrinterSettings settings;
  const printer::SettingsSequence plan = printer::Session::SendPlan(1, settings, 0);
  const Wire sent = line.Record(plan.front().bytes.size(), [&](const printer::SendHooks& hooks) {
    return line.Session().Send(settings, hooks, 0);
  });
  EXPECT_EQ(sent.outcome, printer::SendOutcome::NoAnswer);
  EXPECT_EQ(sent.bytes, plan.front().bytes);
  EXPECT_TRUE(sent.steps.empty()) << "an unanswered check is no step sent";
}

}  // namespace
