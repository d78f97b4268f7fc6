// The printer session that the window and the command line share, against virtual printers on
// real pseudo-terminals.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "serial_line.h"
#include "session.h"

namespace {

using namespace serial_test;
using Bytes = std::vector<std::uint8_t>;

// Opening the device again shows whether the session left it open.
bool FreeToOpen(const std::string& device) {
  Tserial other;
  return other.OpenDevice(device, 9600);
}

TEST(Session, EachConnectOutcomeWithThePortClosedWhereTheConnectFailed) {
  vprinter::VirtualPrinter supported(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter unknown(AnsweringAs("Acme X1"));
  vprinter::Options silentOptions;
  silentOptions.silent = true;
  vprinter::VirtualPrinter silent(silentOptions);
  for (auto* printer : {&supported, &unknown, &silent}) ASSERT_TRUE(printer->Start());

  Tserial serial;
  printer::Session session(serial);
  const printer::ConnectResult connected = session.Connect(supported.DevicePath(), 9600);
  EXPECT_EQ(connected.outcome, printer::ConnectOutcome::Connected);
  EXPECT_EQ(connected.model, kFamily1Model);
  EXPECT_EQ(connected.family, printer::kDipFamily);
  EXPECT_TRUE(session.IsConnected());
  EXPECT_EQ(session.Device(), supported.DevicePath());
  EXPECT_EQ(session.Rate(), 9600u);
  EXPECT_EQ(session.Family(), printer::kDipFamily);
  EXPECT_FALSE(FreeToOpen(supported.DevicePath()));

  // Connecting elsewhere ends the connection first.
  const printer::ConnectResult unsupported = session.Connect(unknown.DevicePath(), 19200);
  EXPECT_EQ(unsupported.outcome, printer::ConnectOutcome::Unsupported);
  EXPECT_EQ(unsupported.model, "Acme X1");
  EXPECT_FALSE(session.IsConnected());
  EXPECT_EQ(session.Family(), printer::kNoFamily);
  EXPECT_TRUE(FreeToOpen(supported.DevicePath()));
  EXPECT_TRUE(FreeToOpen(unknown.DevicePath()));

  EXPECT_EQ(session.Connect(silent.DevicePath(), 9600).outcome, printer::ConnectOutcome::NoAnswer);
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_TRUE(FreeToOpen(silent.DevicePath()));

  const printer::ConnectResult missing = session.Connect("/nonexistent/tty", 9600);
  EXPECT_EQ(missing.outcome, printer::ConnectOutcome::CannotOpen);
  EXPECT_EQ(missing.openError.reason, OpenFailure::NoDevice);
  EXPECT_EQ(missing.openError.device, "/nonexistent/tty");

  // No rate: nothing is opened and there is no reason to give.
  const printer::ConnectResult noRate = session.Connect(supported.DevicePath(), 0);
  EXPECT_EQ(noRate.outcome, printer::ConnectOutcome::CannotOpen);
  EXPECT_EQ(noRate.openError.reason, OpenFailure::None);
  EXPECT_EQ(supported.IdentifyCount(), 1);
}

TEST(Session, SendsTheSequenceOfTheConnectedFamilyAndStopsAtTheNextStep) {
  vprinter::VirtualPrinter printer(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(printer.Start());
  Tserial serial;
  printer::Session session(serial);
  ASSERT_EQ(session.Connect(printer.DevicePath(), 9600).outcome,
            printer::ConnectOutcome::Connected);
  printer.ClearReceived();

  printer::PrinterSettings settings;
  settings.country = -1;
  EXPECT_EQ(session.Send(settings, {}, 0), printer::SendOutcome::Complete);
  const printer::SettingsSequence expected = printer::BuildSettingsSequence(1, settings, 0);
  Bytes wanted{0x1B, 0x5A};
  for (const auto& step : expected)
    wanted.insert(wanted.end(), step.bytes.begin(), step.bytes.end());
  ASSERT_TRUE(printer.WaitForReceived(wanted.size(), 2000));
  EXPECT_EQ(printer.Received(), wanted);
  // The unselected country goes out as 0xFF.
  EXPECT_EQ(expected.front().bytes[8], 0xFF);

  // A stop asked for during the second DIP switch's pause (the liveness check is the first step
  // sent) sends nothing after it.
  printer.ClearReceived();
  printer::SendHooks hooks;
  int sent = 0;
  hooks.stepSent = [&sent](std::size_t) { ++sent; };
  hooks.pause = [&sent](int) { return sent < 5; };
  EXPECT_EQ(session.Send(settings, hooks, 1), printer::SendOutcome::Stopped);
  EXPECT_EQ(sent, 5);
  EXPECT_TRUE(session.IsConnected());

  // A printer that went silent is reported; dropping it is the caller's choice.
  printer.SetSilent(true);
  EXPECT_EQ(session.Send(settings, {}, 0), printer::SendOutcome::NoAnswer);
  EXPECT_TRUE(session.IsConnected());
  session.Disconnect();
  EXPECT_FALSE(session.IsConnected());
  EXPECT_EQ(session.Device(), printer.DevicePath()) << "the last connection's device is kept";
  EXPECT_TRUE(FreeToOpen(printer.DevicePath()));
}

TEST(Session, ARestartIsAwaitedOnlyWhenADipPrinterGetsAnotherRate) {
  vprinter::VirtualPrinter dip(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter other(AnsweringAs("Tavrin MR71C Printer"));
  ASSERT_TRUE(dip.Start());
  ASSERT_TRUE(other.Start());
  Tserial serial;
  printer::Session session(serial);
  printer::PrinterSettings settings;
  ASSERT_EQ(session.Connect(dip.DevicePath(), 9600).outcome, printer::ConnectOutcome::Connected);

  settings.newBaud = 7;
  const printer::RateChangeAfterSend faster = session.RateChangeAfter(settings);
  EXPECT_EQ(faster.change, printer::RateChange::WaitForRestart);
  EXPECT_EQ(faster.newRate, 115200u);
  EXPECT_EQ(faster.oldRate, 9600u);
  settings.newBaud = 3;  // 9600, the rate it has
  EXPECT_EQ(session.RateChangeAfter(settings).change, printer::RateChange::None);
  settings.newBaud = -1;  // no new rate chosen: its switches are not sent
  EXPECT_EQ(session.RateChangeAfter(settings).change, printer::RateChange::None);

  settings.newBaud = 7;
  ASSERT_EQ(session.Connect(other.DevicePath(), 9600).outcome, printer::ConnectOutcome::Connected);
  EXPECT_EQ(session.RateChangeAfter(settings).change, printer::RateChange::None);
  session.Disconnect();
  EXPECT_EQ(session.RateChangeAfter(settings).change, printer::RateChange::None);
}

TEST(SleepUnlessStopped, SleepsTheWholeTimeOrEndsAtTheStop) {
  const auto start = Clock::now();
  EXPECT_TRUE(printer::SleepUnlessStopped(std::chrono::milliseconds(120), {}));
  EXPECT_GE(MillisSince(start), 120);
  int asked = 0;
  const auto stopped = Clock::now();
  EXPECT_FALSE(
      printer::SleepUnlessStopped(std::chrono::seconds(30), [&asked] { return ++asked > 3; }));
  EXPECT_EQ(asked, 4);
  EXPECT_LT(MillisSince(stopped), 5000);
}

}  // namespace
