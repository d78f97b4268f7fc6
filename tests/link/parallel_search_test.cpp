// The search tries every port at once and still returns what trying them in turn would: the
// earliest port wins whoever answers first, each port sees the rates and ESC @ it saw before,
// the ports after the winner and a stop request end every port's thread at once, and a port
// that vanishes, is held or sits behind a device server that never answers costs only itself.
#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "printer_search.h"
#include "ser2net_server.h"
#include "serial_line.h"

namespace {

using namespace serial_test;
using printer::PortSeen;
using printer::SearchPort;
using test_support::Ser2netProtocol;
using test_support::Ser2netServer;

using RateRuns = std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>;
using Progress = std::tuple<int, int, std::string, std::uint32_t>;

const std::vector<std::uint8_t> kIdentify = {0x1B, 0x5A};
const std::vector<std::uint8_t> kIdentifyThenClear = {0x1B, 0x5A, 0x1B, 0x40};

// The bytes the printer received, joined while the line stayed at one rate.
RateRuns BytesByRate(const vprinter::VirtualPrinter& printer) {
  RateRuns runs;
  for (const vprinter::ReceivedChunk& chunk : printer.Chunks()) {
    if (runs.empty() || runs.back().first != chunk.baud) {
      runs.emplace_back(chunk.baud, std::vector<std::uint8_t>{});
    }
    runs.back().second.insert(runs.back().second.end(), chunk.bytes.begin(), chunk.bytes.end());
  }
  return runs;
}

// An identify at each rate of the search before rate, then the identify and ESC @ at rate.
RateRuns TriedUpTo(std::uint32_t firstRate, std::uint32_t rate) {
  RateRuns runs;
  for (const std::uint32_t tried : printer::SearchRates(firstRate)) {
    if (tried == rate) {
      runs.emplace_back(tried, kIdentifyThenClear);
      break;
    }
    runs.emplace_back(tried, kIdentify);
  }
  return runs;
}

long ThreadCount() {
  long count = 0;
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return -1;
  while (const dirent* entry = readdir(tasks)) count += entry->d_name[0] == '.' ? 0 : 1;
  closedir(tasks);
  return count;
}

// The first port's printer answers only at the seventh rate, the second's at the first: the
// second answers about 1.5 s sooner, and still the first port is the one found.
TEST(ParallelSearch, TheEarlierPortWinsWhenALaterOneAnswersFirst) {
  vprinter::VirtualPrinter slow(AnsweringAs(kFamily1Model, 2400));
  vprinter::VirtualPrinter quick(AnsweringAs("Tavrin MR2200T", 9600));
  ASSERT_TRUE(slow.Start() && quick.Start());
  std::vector<Progress> progress;
  printer::SearchHooks hooks;
  hooks.progress = [&progress](int made, int planned, const std::string& port, std::uint32_t rate) {
    progress.emplace_back(made, planned, port, rate);
  };

  const printer::SearchResult result =
      printer::FindPrinter({{PortOf("COM1", slow), PortOf("COM2", quick)}, 9600, {}}, hooks);

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.portIndex, 0);
  EXPECT_EQ(result.portName, "COM1");
  EXPECT_EQ(result.device, slow.DevicePath());
  EXPECT_EQ(result.rate, 2400u);
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_EQ(result.family, 1);
  EXPECT_EQ(result.tries, 7);
  EXPECT_TRUE(result.bufferCleared);
  ASSERT_EQ(result.findings.size(), 2u);
  EXPECT_EQ(result.findings[0].seen, PortSeen::Found);
  EXPECT_EQ(result.findings[1].seen, PortSeen::NotReached) << "as trying the ports in turn";
  EXPECT_EQ(BytesByRate(slow), TriedUpTo(9600, 2400));
  EXPECT_EQ(quick.Received(), kIdentify) << "no wrong rate came first there: no ESC @";
  // The progress is the one trying the ports in turn reports: the second port never shows.
  std::vector<Progress> expected;
  for (const std::uint32_t rate : {9600, 19200, 38400, 115200, 57600, 4800, 2400}) {
    expected.emplace_back(static_cast<int>(expected.size()), 16, "COM1", rate);
  }
  EXPECT_EQ(progress, expected);
}

// Printers on four ports: nothing, an unsupported one, then two supported ones. The third port
// wins although the fourth answers at once and the first takes every rate.
TEST(ParallelSearch, WithPrintersOnSeveralPortsReturnsWhatTryingInTurnWould) {
  vprinter::VirtualPrinter silent(Silent());
  vprinter::VirtualPrinter unsupported(AnsweringAs("Acme X1", 19200));
  vprinter::VirtualPrinter third(AnsweringAs(kFamily1Model, 57600));
  vprinter::VirtualPrinter fourth(AnsweringAs("Tavrin MR2200T", 9600));
  ASSERT_TRUE(silent.Start() && unsupported.Start() && third.Start() && fourth.Start());
  std::vector<printer::PortsProgress> overviews;
  printer::SearchHooks hooks;
  hooks.ports = [&overviews](const printer::PortsProgress& ports) { overviews.push_back(ports); };

  const printer::SearchResult result =
      printer::FindPrinter({{PortOf("COM1", silent), PortOf("COM2", unsupported),
                             PortOf("COM3", third), PortOf("COM4", fourth)},
                            9600,
                            {}},
                           hooks);

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.portIndex, 2);
  EXPECT_EQ(result.tag, "COM3");
  EXPECT_EQ(result.rate, 57600u);
  EXPECT_EQ(result.model, kFamily1Model);
  EXPECT_EQ(result.tries, 8 + 8 + 5);
  EXPECT_TRUE(result.bufferCleared);
  ASSERT_EQ(result.findings.size(), 4u);
  EXPECT_EQ(result.findings[0].seen, PortSeen::NoAnswer);
  EXPECT_EQ(result.findings[1].seen, PortSeen::Unsupported);
  EXPECT_EQ(result.findings[1].model, "Acme X1");
  EXPECT_EQ(result.findings[1].rate, 19200u);
  EXPECT_EQ(result.findings[3].seen, PortSeen::NotReached);

  // Every rate on the ports before the winner, as before; an unsupported printer gets no ESC @.
  EXPECT_EQ(silent.IdentifyCount(), 8);
  std::vector<std::uint8_t> eightQueries;
  for (int i = 0; i < 8; ++i) eightQueries.insert(eightQueries.end(), {0x1B, 0x5A});
  EXPECT_EQ(unsupported.Received(), eightQueries);
  EXPECT_EQ(BytesByRate(third), TriedUpTo(9600, 57600));
  EXPECT_EQ(fourth.Received(), kIdentify) << "found at the first rate, then left alone";

  // The display saw four ports at work and the fourth done long before the first.
  ASSERT_FALSE(overviews.empty());
  EXPECT_EQ(overviews.front().portsTried, 4);
  EXPECT_EQ(overviews.front().triesPlanned, 32);
  EXPECT_TRUE(overviews.front().finished.empty());
  bool fourthDoneFirst = false;
  for (const printer::PortsProgress& overview : overviews) {
    if (overview.finished == std::vector<std::string>{"COM4"}) fourthDoneFirst = true;
  }
  EXPECT_TRUE(fourthDoneFirst);
}

// Once the first port has its printer, the silent ports after it stop within their first try.
TEST(ParallelSearch, ThePortsAfterTheWinnerStopAtOnce) {
  vprinter::VirtualPrinter answering(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter second(Silent());
  vprinter::VirtualPrinter third(Silent());
  ASSERT_TRUE(answering.Start() && second.Start() && third.Start());

  const printer::SearchResult result = printer::FindPrinter(
      {{PortOf("COM1", answering), PortOf("COM2", second), PortOf("COM3", third)}, 1200, {}});

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.portIndex, 0);
  EXPECT_EQ(result.tries, 1);
  EXPECT_FALSE(result.bufferCleared);
  // A try at 1200 bps waits 433 ms, the whole port 1.8 s: a port that went on would show more.
  EXPECT_LE(second.IdentifyCount(), 2);
  EXPECT_LE(third.IdentifyCount(), 2);
}

// The same device under two names is tried under one, then the other, never both at once (which
// would show it held by the search itself).
TEST(ParallelSearch, ADeviceNamedTwiceIsTriedUnderEachNameInTurn) {
  vprinter::VirtualPrinter silent(Silent());
  vprinter::VirtualPrinter answering(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(silent.Start() && answering.Start());

  const printer::SearchResult result = printer::FindPrinter(
      {{PortOf("COM1", silent), PortOf("ttyS9", silent), PortOf("COM3", answering)}, 9600, {}});

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.portIndex, 2);
  EXPECT_EQ(result.findings[0].seen, PortSeen::NoAnswer);
  EXPECT_EQ(result.findings[1].seen, PortSeen::NoAnswer);
  EXPECT_EQ(silent.IdentifyCount(), 16);
}

// A stop request mid-search ends all eight ports' threads; the figure of record is in
// search_bench, the bound here allows for a loaded machine.
TEST(ParallelSearch, AStopEndsEveryPortsThreadAtOnce) {
  std::vector<std::unique_ptr<vprinter::VirtualPrinter>> printers;
  printer::SearchRequest request;
  request.firstRate = 1200;
  for (int index = 0; index < 8; ++index) {
    printers.push_back(std::make_unique<vprinter::VirtualPrinter>(Silent()));
    ASSERT_TRUE(printers.back()->Start());
    request.ports.push_back(PortOf("COM" + std::to_string(index + 1), *printers.back()));
  }
  const long threadsBefore = ThreadCount();
  std::atomic<bool> stop{false};
  printer::SearchHooks hooks;
  hooks.stopRequested = [&stop] { return stop.load(); };
  std::atomic<Clock::rep> stoppedAt{0};
  std::thread requester([&stop, &stoppedAt] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    stoppedAt = Clock::now().time_since_epoch().count();
    stop = true;
  });

  const printer::SearchResult result = printer::FindPrinter(request, hooks);
  const auto returnedAt = Clock::now();
  requester.join();

  EXPECT_TRUE(result.stopped);
  EXPECT_FALSE(result.found);
  const Clock::time_point requested{Clock::duration{stoppedAt.load()}};
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(returnedAt - requested).count();
  EXPECT_LT(ms, 300) << "the aim is 100 ms";
  EXPECT_EQ(ThreadCount(), threadsBefore) << "a port's thread outlived the search";
  for (std::size_t index = 1; index < result.findings.size(); ++index) {
    EXPECT_EQ(result.findings[index].seen, PortSeen::NotReached) << index;
  }
  // Every port is free again at once.
  for (const auto& printer : printers) {
    Tserial serial;
    EXPECT_TRUE(serial.OpenDevice(printer->DevicePath(), 9600)) << printer->DevicePath();
  }
}

// Before the printer: a port whose adapter is pulled out after two tries, a port another
// program holds, and a device server that takes the connection and never answers. Each costs
// only itself; the printer's port sees the rates and ESC @ as when tried alone.
TEST(ParallelSearch, AVanishingAHeldAndASilentNetworkPortAmongLiveOnes) {
  if (Ser2netServer::Program().empty()) GTEST_SKIP() << Ser2netServer::kMissing;
  vprinter::Options vanishing = Silent();
  vanishing.hangUpAfterCommands = 2;
  vprinter::VirtualPrinter pulled(vanishing);
  vprinter::VirtualPrinter held(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter behindServer(AnsweringAs(kFamily1Model));
  vprinter::VirtualPrinter printer(AnsweringAs(kFamily1Model, 2400));
  ASSERT_TRUE(pulled.Start() && held.Start() && behindServer.Start() && printer.Start());
  Ser2netServer server(behindServer.DevicePath(), Ser2netProtocol::Rfc2217);
  ASSERT_TRUE(server.Start()) << server.LogPath();
  server.Freeze();
  Tserial holder;
  ASSERT_TRUE(holder.OpenDevice(held.DevicePath(), 9600));

  const printer::SearchResult result = printer::FindPrinter({{PortOf("COM1", pulled),
                                                              PortOf("COM2", held),
                                                              {"shop", server.Url(), "shop"},
                                                              PortOf("COM4", printer)},
                                                             9600,
                                                             {}});

  ASSERT_TRUE(result.found);
  EXPECT_EQ(result.portIndex, 3);
  EXPECT_EQ(result.rate, 2400u);
  EXPECT_TRUE(result.bufferCleared);
  ASSERT_EQ(result.findings.size(), 4u);
  EXPECT_EQ(result.findings[0].seen, PortSeen::CannotOpen);
  EXPECT_EQ(result.findings[0].openError.reason, OpenFailure::NoDevice);
  EXPECT_EQ(result.findings[1].seen, PortSeen::Held);
  EXPECT_EQ(result.findings[2].seen, PortSeen::CannotOpen);
  EXPECT_EQ(result.tries, 3 + 1 + 1 + 7);
  EXPECT_TRUE(held.Received().empty());
  EXPECT_TRUE(behindServer.Received().empty());
  EXPECT_EQ(BytesByRate(printer), TriedUpTo(9600, 2400));
}

}  // namespace
