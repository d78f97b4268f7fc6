// How long the printer search takes over virtual printers on pseudo-terminals, and how soon it
// ends after a stop request. Prints figures; run by ./dev bench.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "printer_search.h"
#include "virtual_printer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStopRuns = 10;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

vprinter::Options Silent() {
  vprinter::Options options;
  options.silent = true;
  return options;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// One port where nothing answers: every rate is tried and waited for in full.
bool MeasureSilentPort() {
  vprinter::VirtualPrinter silent(Silent());
  if (!silent.Start()) return false;
  const auto start = Clock::now();
  const printer::SearchResult result =
      printer::FindPrinter({{{"COM1", silent.DevicePath(), "COM1"}}, 9600, {}});
  const double seconds = Seconds(Clock::now() - start);
  if (result.found || result.tries != 8) return false;
  std::printf("One silent port, all %d rates: %.3f s (aim < 2.5 s: %s)\n", result.tries, seconds,
              Verdict(seconds < 2.5));
  return true;
}

// A printer at the slowest rate on the second of three ports: the first port costs every rate,
// the second all but the last.
bool MeasureSlowPrinterOnSecondPort() {
  vprinter::Options slow;
  slow.reply = vprinter::ReplyForModel("Tavrin MR460V Printer");
  slow.baud = 1200;
  vprinter::VirtualPrinter first(Silent());
  vprinter::VirtualPrinter second(slow);
  vprinter::VirtualPrinter third(Silent());
  if (!first.Start() || !second.Start() || !third.Start()) return false;
  const auto start = Clock::now();
  const printer::SearchResult result = printer::FindPrinter({{{"COM1", first.DevicePath(), "COM1"},
                                                              {"COM2", second.DevicePath(), "COM2"},
                                                              {"COM3", third.DevicePath(), "COM3"}},
                                                             9600,
                                                             {}});
  const double seconds = Seconds(Clock::now() - start);
  if (!result.found || result.portIndex != 1 || result.rate != 1200) return false;
  std::printf(
      "Printer at 1200 bps on the second of three ports, %d tries: %.3f s (aim < 4 s: %s)\n",
      result.tries, seconds, Verdict(seconds < 4));
  return true;
}

// Time from a stop request, made at points spread over the tries, to the search returning.
bool MeasureStop() {
  vprinter::VirtualPrinter silent(Silent());
  if (!silent.Start()) return false;
  double worstMs = 0;
  for (int run = 0; run < kStopRuns; ++run) {
    std::atomic<bool> stop{false};
    printer::SearchHooks hooks;
    hooks.stopRequested = [&stop] { return stop.load(); };
    std::atomic<Clock::rep> stoppedAt{0};
    std::thread requester([&stop, &stoppedAt, run] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50 + 97 * run));
      stoppedAt = Clock::now().time_since_epoch().count();
      stop = true;
    });
    const printer::SearchResult result =
        printer::FindPrinter({{{"COM1", silent.DevicePath(), "COM1"}}, 1200, {}}, hooks);
    const auto returnedAt = Clock::now();
    requester.join();
    if (!result.stopped) return false;
    const Clock::time_point requested{Clock::duration{stoppedAt.load()}};
    worstMs = std::max(worstMs, Seconds(returnedAt - requested) * 1000);
  }
  std::printf("Stop request to the search returning, worst of %d: %.1f ms (aim < 100 ms: %s)\n",
              kStopRuns, worstMs, Verdict(worstMs < 100));
  return true;
}

}  // namespace

int main() {
  std::printf("Printer search benchmark\n");
  bool ok = true;
  if (!MeasureSilentPort()) {
    std::printf("  silent-port measurement failed: no pty, or something answered\n");
    ok = false;
  }
  if (!MeasureSlowPrinterOnSecondPort()) {
    std::printf("  slow-printer measurement failed: no pty, or the printer was not found\n");
    ok = false;
  }
  if (!MeasureStop()) {
    std::printf("  stop measurement failed: no pty, or the search was not stopped\n");
    ok = false;
  }
  return ok ? 0 : 1;
}
