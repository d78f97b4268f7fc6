// The printer search over virtual printers on real pseudo-terminals: the order of ports and
// rates, what it records of each port, ESC @ after wrong rates, and a stop request.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "child_program.h"
#include "printer_search.h"
#include "serial_line.h"
#include "temp_dir.h"

namespace {

using namespace serial_test;
using printer::PortSeen;
using printer::SearchPort;

const std::vector<std::uint8_t> kIdentify = {0x1B, 0x5A};

std::vector<std::uint8_t> Repeated(const std::vector<std::uint8_t>& bytes, int times) {
  std::vector<std::uint8_t> all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), bytes.begin(), bytes.end());
  return all;
}

// The bytes the printer received, joined while the line stayed at one rate.
std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> BytesByRate(
    const vprinter::VirtualPrinter& printer) {
  std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> runs;
  for (const vprinter::ReceivedChunk& chunk : printer.Chunks()) {
    if (runs.empty() || runs.back().first != chunk.baud)
      runs.emplace_back(chunk.baud, std::vector<std::uint8_t>{});
    runs.back().second.insert(runs.back().second.end(), chunk.bytes.begin(), chunk.bytes.end());
  }
  return runs;
}

TEST(Search, FindsThePrinterAtTheFifthRateAndThenClearsWhatTheWrongRatesLeft) {
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.baud = 57600;
  vprinter::VirtualPrinter atFifthRate(options);
  ASSERT_TRUE(atFifthRate.Start());

  const printer::SearchResult result =
      printer::FindPrinter({{PortOf("COM2", atFifthRate)}, 9600, {}});

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.portIndex, 0);
  EXPECT_EQ(result.rate, 57600u);
  EXPECT_EQ(result.tries, 5);
  EXPECT_TRUE(result.bufferCleared);
  ASSERT_TRUE(atFifthRate.WaitForReceived(6 * kIdentify.size(), 1000));
  const std::vector<std::uint8_t> identifyThenClear = {0x1B, 0x5A, 0x1B, 0x40};
  const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> expected = {
      {9600, kIdentify},
      {19200, kIdentify},
      {38400, kIdentify},
      {115200, kIdentify},
      {57600, identifyThenClear}};
  EXPECT_EQ(BytesByRate(atFifthRate), expected);
  EXPECT_EQ(atFifthRate.IdentifyCount(), 1) << "only the try at its own rate reached it";
}

TEST(Search, FindsThePrinterOnTheNextPortWhenTheSelectedOneIsSilentAndSendsNoEscAt) {
  vprinter::VirtualPrinter silent(Silent());
  vprinter::VirtualPrinter answering(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(silent.Start() && answering.Start());

  const printer::SearchResult result =
      printer::FindPrinter({{PortOf("COM1", silent), PortOf("COM2", answering)}, 38400, {}});

  ASSERT_TRUE(result.found);
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.portIndex, 1);
  EXPECT_EQ(result.portName, "COM2");
  EXPECT_EQ(result.device, answering.DevicePath());
  EXPECT_EQ(result.rate, 38400u) << "the selected rate comes first on every port";
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_EQ(result.family, 1);
  EXPECT_EQ(result.tries, 9);
  EXPECT_FALSE(result.bufferCleared) << "no wrong rate was tried on the port it answered on";
  ASSERT_EQ(result.findings.size(), 2u);
  EXPECT_EQ(result.findings[0].seen, PortSeen::NoAnswer);
  EXPECT_EQ(result.findings[1].seen, PortSeen::Found);
  EXPECT_EQ(result.findings[1].rate, 38400u);

  EXPECT_EQ(silent.IdentifyCount(), 8);
  EXPECT_FALSE(answering.WaitForReceived(kIdentify.size() + 1, 200));
  EXPECT_EQ(answering.Received(), kIdentify);
}

TEST(Search, RemembersAnUnsupportedPrinterAndFindsTheSupportedOneOnTheNextPort) {
  vprinter::VirtualPrinter unsupported(AnsweringAs("Acme X1"));
  vprinter::VirtualPrinter supported(AnsweringAs("Tavrin MR2200T"));
  ASSERT_TRUE(unsupported.Start() && supported.Start());

  const printer::SearchResult result =
      printer::FindPrinter({{PortOf("COM3", unsupported), PortOf("COM4", supported)}, 9600, {}});

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.portIndex, 1);
  EXPECT_EQ(result.model, "Tavrin MR2200T");
  EXPECT_EQ(result.family, 2);
  EXPECT_EQ(result.rate, 9600u);
  const printer::PortFinding& first = result.findings[0];
  EXPECT_EQ(first.seen, PortSeen::Unsupported);
  EXPECT_EQ(first.model, "Acme X1");
  EXPECT_EQ(first.rate, 9600u);
  EXPECT_EQ(first.name, "COM3");
  EXPECT_EQ(first.device, unsupported.DevicePath());
  EXPECT_FALSE(unsupported.WaitForReceived(8 * kIdentify.size() + 1, 200))
      << "an unsupported printer is never sent ESC @";
}

// Every kind of port the search can meet, none with a supported printer it may reach: the
// console and a held port keep their printers untouched, a missing device costs one try.
TEST(Search, WithNothingFoundReportsEveryPortAndCountsItsTries) {
  TempDir folder;
  vprinter::Options onConsole = AnsweringAs(kFamily1Model);
  onConsole.linkPath = folder.File("console-link");
  vprinter::VirtualPrinter console(onConsole);
  vprinter::VirtualPrinter held(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter unsupported(AnsweringAs("Acme X1"));
  vprinter::VirtualPrinter silent(Silent());
  ASSERT_TRUE(console.Start() && held.Start() && unsupported.Start() && silent.Start());
  Tserial holder;
  ASSERT_TRUE(holder.OpenDevice(held.DevicePath(), 9600));

  printer::SearchRequest request;
  request.ports = {{"COM1", onConsole.linkPath, "COM1"},
                   PortOf("COM2", held),
                   {"COM3", folder.File("no-such-device"), "COM3"},
                   PortOf("COM4", unsupported),
                   PortOf("COM5", silent)};
  request.firstRate = 19200;
  request.consoleDevices = {console.DevicePath()};
  std::vector<std::tuple<int, int, std::string, std::uint32_t>> progress;
  printer::SearchHooks hooks;
  hooks.progress = [&progress](int made, int planned, const std::string& port, std::uint32_t rate) {
    progress.emplace_back(made, planned, port, rate);
  };

  const printer::SearchResult result = printer::FindPrinter(request, hooks);

  EXPECT_FALSE(result.found);
  EXPECT_FALSE(result.stopped);
  EXPECT_EQ(result.portIndex, -1);
  EXPECT_EQ(result.tries, 18);
  ASSERT_EQ(result.findings.size(), 5u);
  EXPECT_EQ(result.findings[0].seen, PortSeen::Console);
  EXPECT_EQ(result.findings[1].seen, PortSeen::Held);
  EXPECT_EQ(result.findings[1].openError.reason, OpenFailure::Busy);
  EXPECT_EQ(result.findings[2].seen, PortSeen::CannotOpen);
  EXPECT_EQ(result.findings[2].openError.reason, OpenFailure::NoDevice);
  EXPECT_EQ(result.findings[3].seen, PortSeen::Unsupported);
  EXPECT_EQ(result.findings[3].model, "Acme X1");
  EXPECT_EQ(result.findings[3].rate, 19200u);
  EXPECT_EQ(result.findings[4].seen, PortSeen::NoAnswer);

  EXPECT_TRUE(console.Received().empty());
  EXPECT_TRUE(held.Received().empty());
  EXPECT_EQ(unsupported.Received(), Repeated(kIdentify, 8));
  EXPECT_EQ(silent.Received(), Repeated(kIdentify, 8));

  // The console is never planned; a held or missing port drops its seven other rates.
  const std::vector<std::uint32_t> rates = {19200, 9600, 38400, 115200, 57600, 4800, 2400, 1200};
  std::vector<std::tuple<int, int, std::string, std::uint32_t>> expected = {{0, 32, "COM2", 19200},
                                                                            {1, 25, "COM3", 19200}};
  for (const char* port : {"COM4", "COM5"}) {
    for (const std::uint32_t rate : rates) {
      expected.emplace_back(static_cast<int>(expected.size()), 18, port, rate);
    }
  }
  EXPECT_EQ(progress, expected);
}

TEST(Search, EndsSoonAfterAStopRequest) {
  vprinter::VirtualPrinter first(Silent());
  vprinter::VirtualPrinter second(Silent());
  ASSERT_TRUE(first.Start() && second.Start());
  std::atomic<bool> stop{false};
  printer::SearchHooks hooks;
  hooks.stopRequested = [&stop] { return stop.load(); };

  std::atomic<Clock::rep> stoppedAt{0};
  std::thread requester([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    stoppedAt = Clock::now().time_since_epoch().count();
    stop = true;
  });
  const printer::SearchResult result =
      printer::FindPrinter({{PortOf("COM1", first), PortOf("COM2", second)}, 1200, {}}, hooks);
  const auto returnedAt = Clock::now();
  requester.join();

  EXPECT_TRUE(result.stopped);
  EXPECT_FALSE(result.found);
  EXPECT_EQ(result.findings[1].seen, PortSeen::NotReached);
  const Clock::time_point requested{Clock::duration{stoppedAt.load()}};
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returnedAt - requested).count(),
            1000);
  EXPECT_EQ(printer::FindPrinter({{PortOf("COM1", first)}, 1200, {}}, hooks).tries, 0);
}

}  // namespace

namespace {

TEST(Search, LeavesAPortAnotherProgramHoldsAndPutsEveryLineBack) {
  vprinter::VirtualPrinter held(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter silent(Silent());
  ASSERT_TRUE(held.Start() && silent.Start());
  serial_test::ChildProgram terminal({"hold-plain", held.DevicePath()});
  ASSERT_EQ(terminal.ReadLine(), "held");
  const CookedLine silentLine(silent.DevicePath());
  ASSERT_TRUE(silentLine.Cooked());
  const termios before = silentLine.Settings();

  const printer::SearchResult result =
      printer::FindPrinter({{PortOf("COM1", held), PortOf("COM2", silent)}, 9600, {}});

  EXPECT_FALSE(result.found);
  ASSERT_EQ(result.findings.size(), 2u);
  EXPECT_EQ(result.findings[0].seen, PortSeen::Held);
  EXPECT_EQ(result.findings[0].openError.detail,
            "link_child, process " + std::to_string(terminal.Pid()));
  EXPECT_TRUE(held.Received().empty()) << "nothing is sent to a port another program holds";
  EXPECT_EQ(result.findings[1].seen, PortSeen::NoAnswer);
  const termios after = silentLine.Settings();
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
}

}  // namespace
