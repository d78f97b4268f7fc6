// Ports on a device server: Tserial, the search, a send and the restart wait through Debian's
// ser2net on 127.0.0.1, its device a virtual printer's pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "code_page_proof.h"
#include "identify.h"
#include "printer_search.h"
#include "restart_wait.h"
#include "ser2net_server.h"
#include "serial_line.h"
#include "session.h"
#include "settings_sequence.h"
#include "test_page.h"

namespace {

using namespace serial_test;
using test_support::FreeLoopbackPort;
using test_support::Ser2netProtocol;
using test_support::Ser2netServer;

// A virtual printer shared by ser2net.
struct RemoteLine {
  explicit RemoteLine(vprinter::Options options,
                      Ser2netProtocol protocol = Ser2netProtocol::Rfc2217)
      : printer(std::move(options)),
        started(printer.Start()),
        server(printer.DevicePath(), protocol),
        serving(started && server.Start()) {}

  vprinter::VirtualPrinter printer;
  bool started;
  Ser2netServer server;
  bool serving;
};

std::vector<std::uint8_t> Joined(const printer::SettingsSequence& steps) {
  std::vector<std::uint8_t> bytes = {0x1B, 0x5A};  // the liveness check
  for (const printer::SequenceStep& step : steps) {
    bytes.insert(bytes.end(), step.bytes.begin(), step.bytes.end());
  }
  return bytes;
}

// The printer takes bytes no faster than a line at baud carries them (a fifth faster, so that
// a busy machine's late wake-ups do not make it slower than the line).
void ReadAtLineRate(vprinter::VirtualPrinter& printer, std::uint32_t baud) {
  printer.SetChunkListener([baud](const vprinter::ReceivedChunk& chunk) {
    const auto wireMicros = chunk.bytes.size() * 10 * 1000000 / baud;
    std::this_thread::sleep_for(std::chrono::microseconds(wireMicros * 4 / 5));
  });
}

std::vector<std::uint8_t> AllBytes(const printer::SettingsSequence& steps) {
  std::vector<std::uint8_t> bytes;
  for (const printer::SequenceStep& step : steps) {
    bytes.insert(bytes.end(), step.bytes.begin(), step.bytes.end());
  }
  return bytes;
}

class NetworkPortTest : public testing::Test {
 protected:
  void SetUp() override {
    if (Ser2netServer::Program().empty()) GTEST_SKIP() << Ser2netServer::kMissing;
  }
};

TEST_F(NetworkPortTest, TheRateSetOverRfc2217ReachesThePrinterLine) {
  RemoteLine line(AnsweringAs(kFamily1Model, 2400));
  ASSERT_TRUE(line.serving) << line.server.LogPath();
  Tserial serial;

  ASSERT_TRUE(serial.OpenDevice(line.server.Url(), 2400)) << int(serial.LastOpenError().reason);
  EXPECT_FALSE(serial.RateSetByServer());
  const printer::IdentifyResult atItsRate = printer::AskModel(serial, 1000);
  EXPECT_TRUE(atItsRate.answered);
  EXPECT_EQ(atItsRate.model, kFamily1Model);
  EXPECT_EQ(line.printer.Chunks().back().baud, 2400u);

  ASSERT_TRUE(serial.OpenDevice(line.server.Url(), 9600));
  EXPECT_FALSE(printer::AskModel(serial, 300).answered) << "the printer reads at 2400 bps only";
  EXPECT_EQ(line.printer.Chunks().back().baud, 9600u);
}

TEST_F(NetworkPortTest, TheSearchFindsAPrinterAt2400BehindAnRfc2217Port) {
  RemoteLine line(AnsweringAs(kFamily1Model, 2400));
  ASSERT_TRUE(line.serving);

  const printer::SearchResult result =
      printer::FindPrinter({{{"shop", line.server.Url(), "shop"}}, 9600, {}});

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.rate, 2400u);
  EXPECT_EQ(result.tries, 7) << "9600, 19200, 38400, 115200, 57600, 4800, then 2400";
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_TRUE(result.bufferCleared);
}

// 0xFF is the telnet escape: it must cross both ways as one data byte.
TEST_F(NetworkPortTest, AFamilyOneSendArrivesByteForByteWith0xFFBothWays) {
  vprinter::Options options = AnsweringAs(kFamily1Model, 19200);
  const std::string name = kFamily1Model;
  options.reply.fill(0xFF);
  std::copy(name.begin(), name.end(), options.reply.begin());
  options.reply[name.size()] = 0;
  RemoteLine line(options);
  ASSERT_TRUE(line.serving);
  Tserial serial;
  ASSERT_TRUE(serial.OpenDevice(line.server.Url(), 19200));

  const printer::Identify identify = printer::EncodeIdentify();
  ASSERT_EQ(serial.Write(identify.data(), 2, 1000), 2);
  vprinter::Reply reply{};
  ASSERT_EQ(serial.Read(reply.data(), static_cast<int>(reply.size()), 1000), 32);
  EXPECT_EQ(reply, options.reply);
  std::uint8_t extra = 0;
  EXPECT_EQ(serial.Read(&extra, 1, 100), 0) << "an escaped 0xFF read as two bytes";

  line.printer.ClearReceived();
  printer::PrinterSettings settings;
  settings.country = -1;  // nothing selected: sent as 0xFF
  const printer::SettingsSequence steps = printer::BuildSettingsSequence(1, settings, 0);
  ASSERT_EQ(printer::RunSteps(serial, printer::WithLivenessCheck(steps), {}),
            printer::SendOutcome::Complete);
  const std::vector<std::uint8_t> expected = Joined(steps);
  ASSERT_TRUE(line.printer.WaitForReceived(expected.size(), 2000));
  EXPECT_FALSE(line.printer.WaitForReceived(expected.size() + 1, 100));
  EXPECT_EQ(line.printer.Received(), expected);
}

TEST_F(NetworkPortTest, DiscardInputDropsChatterThatHasArrived) {
  RemoteLine line(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(line.serving);
  Tserial serial;
  ASSERT_TRUE(serial.OpenDevice(line.server.Url(), 9600));
  const std::vector<std::uint8_t> chatter = {0x13, 0xFF, 0x11, 'x'};
  ASSERT_TRUE(line.printer.Send(chatter));
  std::uint8_t first = 0;
  ASSERT_EQ(serial.Read(&first, 1, 1000), 1) << "the chatter crossed the server";
  EXPECT_EQ(first, 0x13);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  EXPECT_TRUE(serial.DiscardInput());
  std::uint8_t left = 0;
  EXPECT_EQ(serial.Read(&left, 1, 200), 0);
  const printer::IdentifyResult answer = printer::AskModel(serial, 1000);
  EXPECT_EQ(answer.model, kFamily1Model);
}

TEST_F(NetworkPortTest, TheRestartWaitFollowsAPowerCycleBehindRfc2217) {
  constexpr std::uint32_t kOldRate = 9600;
  constexpr std::uint32_t kNewRate = 115200;
  RemoteLine line(AnsweringAs(kFamily1Model, kOldRate));
  ASSERT_TRUE(line.serving);
  {
    Tserial serial;
    ASSERT_TRUE(serial.OpenDevice(line.server.Url(), kOldRate));
    printer::PrinterSettings settings;
    settings.newBaud = 7;
    const printer::SettingsSequence steps = printer::BuildSettingsSequence(1, settings, 0);
    ASSERT_EQ(printer::RunSteps(serial, printer::WithLivenessCheck(steps), {}),
              printer::SendOutcome::Complete);
    ASSERT_TRUE(line.printer.WaitForCommands(1 + 4 + (steps.size() - 1), 2000));
  }
  printer::RestartWait wait{line.server.Url(), kNewRate, kOldRate};
  wait.limit = std::chrono::milliseconds(8000);
  printer::RestartHooks hooks;
  hooks.progress = [&line, rounds = 0](std::chrono::milliseconds) mutable {
    if (++rounds == 2) line.printer.PowerCycle(700);
  };

  const printer::RestartResult result = printer::WaitForRestart(wait, hooks);

  EXPECT_EQ(result.outcome, printer::RestartOutcome::NewRate);
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_GE(result.rounds, 3);
  EXPECT_EQ(line.printer.LineBaud(), kNewRate);
}

// A device server that goes away or hangs while its printer is awaited: each round ends at its
// open's deadline, no round starts after the limit, and a stop ends the wait at once.
TEST_F(NetworkPortTest, TheRestartWaitOutlastsNoDeviceServerThatIsGoneOrHung) {
  constexpr std::uint32_t kOldRate = 9600;
  constexpr std::uint32_t kNewRate = 115200;
  for (const bool hung : {false, true}) {
    RemoteLine line(AnsweringAs(kFamily1Model, kOldRate));
    ASSERT_TRUE(line.serving);
    printer::RestartWait wait{line.server.Url(), kNewRate, kOldRate};
    wait.limit = std::chrono::milliseconds(1500);
    printer::RestartHooks hooks;
    hooks.progress = [&line, hung, rounds = 0](std::chrono::milliseconds) mutable {
      if (++rounds != 2) return;
      if (hung) {
        line.server.Freeze();
      } else {
        line.server.Kill();
      }
    };
    Clock::time_point start = Clock::now();
    EXPECT_EQ(printer::WaitForRestart(wait, hooks).outcome, printer::RestartOutcome::NoAnswer)
        << (hung ? "hung" : "gone");
    // The last round may start just before the limit and wait out its two opens of 3 s, and
    // the ESC @ for the printer that answered in the first round one more.
    EXPECT_LT(MillisSince(start), 1500 + 3 * 3000 + 2000) << (hung ? "hung" : "gone");

    wait.limit = std::chrono::milliseconds(60000);
    hooks.progress = {};
    start = Clock::now();
    hooks.stopRequested = [&start] { return MillisSince(start) > 300; };
    EXPECT_EQ(printer::WaitForRestart(wait, hooks).outcome, printer::RestartOutcome::Stopped)
        << (hung ? "hung" : "gone");
    EXPECT_LT(MillisSince(start), 300 + 1000) << (hung ? "hung" : "gone");
  }
}

TEST_F(NetworkPortTest, ARawTcpPortOpensAtAnyRateAndIsSearchedOnce) {
  RemoteLine line(AnsweringAs(kFamily1Model, 9600), Ser2netProtocol::RawTcp);
  ASSERT_TRUE(line.serving);
  Tserial serial;

  ASSERT_TRUE(serial.OpenDevice(line.server.Url(), 1200));
  EXPECT_TRUE(serial.RateSetByServer());
  const printer::IdentifyResult answer = printer::AskModel(serial, 1000);
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ(answer.model, kFamily1Model);
  serial.Close();
  EXPECT_FALSE(serial.RateSetByServer());

  const printer::SearchResult result =
      printer::FindPrinter({{{"shop", line.server.Url(), "shop"}}, 38400, {}});
  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.tries, 1);
  EXPECT_EQ(result.rate, 38400u) << "reported at the rate the search was given";
}

TEST_F(NetworkPortTest, EachFailureToConnectHasItsReason) {
  Tserial serial;
  const std::string closed = "rfc2217://127.0.0.1:" + std::to_string(FreeLoopbackPort());
  EXPECT_FALSE(serial.OpenDevice(closed, 9600));
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::ConnectionRefused);
  EXPECT_EQ(serial.LastOpenError().device, closed);
  EXPECT_FALSE(serial.IsOpen());

  EXPECT_FALSE(serial.OpenDevice("socket://printer.invalid:7000", 9600));
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::NoSuchHost);
  EXPECT_EQ(serial.LastOpenError().detail, "printer.invalid");

  for (const char* malformed : {"rfc2217://127.0.0.1", "rfc2217://:7000", "socket://[::1:7000",
                                "rfc2217://host:0", "rfc2217://host:70000", "socket://a:7000/x"}) {
    EXPECT_FALSE(serial.OpenDevice(malformed, 9600)) << malformed;
    EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::NoDevice) << malformed;
  }

  RemoteLine raw(AnsweringAs(kFamily1Model, 9600), Ser2netProtocol::RawTcp);
  ASSERT_TRUE(raw.serving);
  const std::string asRfc2217 = "rfc2217://127.0.0.1:" + std::to_string(raw.server.Port());
  EXPECT_FALSE(serial.OpenDevice(asRfc2217, 9600));
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::NotRfc2217);
}

// Behind a raw TCP port the printer's new rate is the device server's to set: there is no
// restart to wait for; behind RFC 2217 there is.
TEST_F(NetworkPortTest, ANewRateBehindARawPortIsForTheDeviceServerToSet) {
  printer::PrinterSettings settings;
  settings.newBaud = 7;
  for (const auto& [protocol, change] :
       {std::pair{Ser2netProtocol::RawTcp, printer::RateChange::SetDeviceServer},
        std::pair{Ser2netProtocol::Rfc2217, printer::RateChange::WaitForRestart}}) {
    RemoteLine line(AnsweringAs(kFamily1Model), protocol);
    ASSERT_TRUE(line.serving);
    Tserial serial;
    printer::Session session(serial);
    ASSERT_EQ(session.Connect(line.server.Url(), 9600).outcome, printer::ConnectOutcome::Connected);
    const printer::RateChangeAfterSend after = session.RateChangeAfter(settings);
    EXPECT_EQ(after.change, change) << line.server.Url();
    EXPECT_EQ(after.newRate, 115200u);
  }
}

// ser2net says why it closes a connection it cannot serve.
TEST_F(NetworkPortTest, APortAnotherClientHoldsIsBusyAndAMissingDeviceIsNoDevice) {
  RemoteLine line(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(line.serving);
  Tserial first;
  ASSERT_TRUE(first.OpenDevice(line.server.Url(), 9600));
  Tserial second;
  EXPECT_FALSE(second.OpenDevice(line.server.Url(), 9600));
  EXPECT_EQ(second.LastOpenError().reason, OpenFailure::Busy);
  first.Close();
  EXPECT_TRUE(second.OpenDevice(line.server.Url(), 9600)) << "free again once the first closed";

  Ser2netServer missing("/dev/nonexistent-printer", Ser2netProtocol::Rfc2217);
  ASSERT_TRUE(missing.Start());
  EXPECT_FALSE(second.OpenDevice(missing.Url(), 9600));
  EXPECT_EQ(second.LastOpenError().reason, OpenFailure::NoDevice);
}

TEST_F(NetworkPortTest, AServerThatStopsMidSendIsALostLineAndReadsReturnAtOnce) {
  RemoteLine line(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(line.serving);
  Tserial serial;
  ASSERT_TRUE(serial.OpenDevice(line.server.Url(), 9600));
  printer::SendHooks hooks;
  // Step 0 is the liveness check: the server goes after the settings end.
  hooks.stepSent = [&line](std::size_t index) {
    if (index == 2) line.server.Kill();
  };
  hooks.pause = [](int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return true;
  };

  const printer::SettingsSequence steps = printer::BuildSettingsSequence(1, {}, 30);
  EXPECT_EQ(printer::RunSteps(serial, printer::WithLivenessCheck(steps), hooks),
            printer::SendOutcome::LineLost);

  const Clock::time_point start = Clock::now();
  std::uint8_t byte = 0;
  EXPECT_EQ(serial.Read(&byte, 1, 5000), 0);
  EXPECT_EQ(serial.Write(&byte, 1, 5000), 0);
  EXPECT_LT(MillisSince(start), 1000) << "waited for a connection that is gone";
  EXPECT_TRUE(serial.IsOpen()) << "open until its owner closes it, like a pulled adapter";
}

// The device server drops what has not yet left its serial line when the connection closes.
// Its line here is a pseudo-terminal that takes some 20 KB ahead of the printer, so the job is
// longer than that: ten code-page proofs, or forty test pages, read at the line's rate.
TEST_F(NetworkPortTest, AWholeJobReachesThePrinterWhenThePortClosesRightAfterIt) {
  constexpr std::uint32_t kRate = 115200;
  struct Case {
    Ser2netProtocol protocol;
    printer::SettingsSequence page;
    int copies;
  };
  printer::PrinterSettings settings;
  const std::vector<Case> cases = {
      {Ser2netProtocol::Rfc2217,
       printer::BuildCodePageProof(printer::TestPageSample(InterfaceLanguage::English)), 20},
      {Ser2netProtocol::RawTcp,
       printer::BuildTestPage(kFamily1Model, settings, printer::LabelsOf(settings, 1),
                              InterfaceLanguage::Bulgarian),
       70}};
  for (const Case& job : cases) {
    RemoteLine line(AnsweringAs(kFamily1Model), job.protocol);
    ASSERT_TRUE(line.serving);
    ReadAtLineRate(line.printer, kRate);
    Tserial serial;
    ASSERT_TRUE(serial.OpenDevice(line.server.Url(), kRate));
    std::vector<std::uint8_t> expected;
    for (int copy = 0; copy < job.copies; ++copy) {
      ASSERT_EQ(printer::RunSteps(serial, job.page, {}), printer::SendOutcome::Complete);
      const std::vector<std::uint8_t> page = AllBytes(job.page);
      expected.insert(expected.end(), page.begin(), page.end());
    }
    serial.Close();

    EXPECT_GT(expected.size(), 28000u) << "more than the line and the server hold";
    line.printer.WaitForReceived(expected.size(), 5000);
    EXPECT_EQ(line.printer.Received().size(), expected.size()) << line.server.Url();
    EXPECT_TRUE(line.printer.Received() == expected) << line.server.Url();
  }
}

// 0xFF goes on the wire as 0xFF 0xFF: a write cut between the two, by an open from the wait
// hook, owes the second to the old connection only. The cut falls where the server stopped
// taking bytes; the bytes ahead of the 0xFFs move it by one in each round.
TEST_F(NetworkPortTest, AWriteCutByAnOpenFromTheHookOwesTheNextConnectionNothing) {
  RemoteLine next(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(next.serving);
  constexpr std::size_t kPastEveryBuffer = std::size_t{16} * 1024 * 1024;
  for (std::size_t ahead = 0; ahead < 4; ++ahead) {
    // A server whose printer has stopped reading: it takes bytes until its buffers are full.
    RemoteLine stuck(AnsweringAs(kFamily1Model));
    ASSERT_TRUE(stuck.serving);
    stuck.printer.SetReading(false);
    Tserial serial;
    ASSERT_TRUE(serial.OpenDevice(stuck.server.Url(), 9600));
    bool reopened = false;
    serial.SetWaitHook([&] {
      reopened = reopened || serial.OpenDevice(next.server.Url(), 9600);
      return true;
    });
    std::vector<std::uint8_t> bytes(ahead, 'a');
    bytes.resize(kPastEveryBuffer, 0xFF);
    EXPECT_LT(serial.Write(bytes.data(), static_cast<int>(bytes.size()), 10000),
              static_cast<int>(bytes.size()));
    ASSERT_TRUE(reopened) << ahead;
    serial.SetWaitHook({});

    next.printer.ClearReceived();
    const std::uint8_t data = 'Z';
    ASSERT_EQ(serial.Write(&data, 1, 1000), 1);
    next.printer.WaitForReceived(1, 2000);
    EXPECT_EQ(next.printer.Received(), std::vector<std::uint8_t>{'Z'}) << ahead;
  }
}

}  // namespace
