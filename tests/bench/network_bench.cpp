// How long a port on a device server takes over RFC 2217 on the loopback address: open and
// identify, and a search of that one port. ser2net shares a virtual printer's pseudo-terminal.
// Prints figures; run by ./dev bench.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "answering.h"
#include "identify.h"
#include "printer_models.h"
#include "printer_search.h"
#include "ser2net_server.h"
#include "serial.h"
#include "virtual_printer.h"

namespace {

using Clock = std::chrono::steady_clock;
using test_support::Ser2netProtocol;
using test_support::Ser2netServer;

constexpr int kConnectRuns = 20;

double Millis(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Open at the printer's rate and the identify answered, as Connect does it.
bool MeasureConnect() {
  vprinter::VirtualPrinter printer(AnsweringAs(kFamily1Model, 9600));
  if (!printer.Start()) return false;
  Ser2netServer server(printer.DevicePath(), Ser2netProtocol::Rfc2217);
  if (!server.Start()) return false;
  std::vector<double> runs;
  for (int run = 0; run < kConnectRuns; ++run) {
    Tserial serial;
    const auto start = Clock::now();
    if (!serial.OpenDevice(server.Url(), 9600)) return false;
    if (printer::AskModel(serial).model != kFamily1Model) return false;
    runs.push_back(Millis(Clock::now() - start));
  }
  std::sort(runs.begin(), runs.end());
  const double median = runs[runs.size() / 2];
  std::printf(
      "Connect to model over RFC 2217 (open and identify at 9600 bps), median of %d: %.1f ms, "
      "worst %.1f ms (aim < 50 ms: %s)\n",
      kConnectRuns, median, runs.back(), Verdict(median < 50));
  return true;
}

// The search of one port, with the printer at the seventh rate tried, and with none there.
bool MeasureSearch(std::uint32_t printerRate, bool silent) {
  vprinter::Options options = AnsweringAs(kFamily1Model, printerRate);
  options.silent = silent;
  vprinter::VirtualPrinter printer(options);
  if (!printer.Start()) return false;
  Ser2netServer server(printer.DevicePath(), Ser2netProtocol::Rfc2217);
  if (!server.Start()) return false;
  const auto start = Clock::now();
  const printer::SearchResult result =
      printer::FindPrinter({{{"shop", server.Url(), "shop"}}, 9600, {}});
  const double seconds = Millis(Clock::now() - start) / 1000;
  if (result.found == silent) return false;
  std::printf("One RFC 2217 port, %s, %d tries: %.3f s (aim < 3 s: %s)\n",
              silent ? "nothing answering" : "printer at 2400 bps", result.tries, seconds,
              Verdict(seconds < 3));
  return true;
}

}  // namespace

int main() {
  std::printf("Network port benchmark\n");
  if (Ser2netServer::Program().empty()) {
    std::printf("  %s\n", Ser2netServer::kMissing);
    return 0;
  }
  bool ok = true;
  if (!MeasureConnect()) {
    std::printf("  connect measurement failed: no pty, no ser2net, or no answer\n");
    ok = false;
  }
  if (!MeasureSearch(2400, false) || !MeasureSearch(2400, true)) {
    std::printf("  search measurement failed: no pty, no ser2net, or a wrong finding\n");
    ok = false;
  }
  return ok ? 0 : 1;
}
