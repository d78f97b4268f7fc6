// How long the printer search takes over virtual printers on pseudo-terminals, and how soon it
// ends after a stop request. Prints figures; run by ./dev bench.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "answering.h"
#include "printer_models.h"
#include "printer_search.h"
#include "virtual_printer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStopRuns = 10;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// A search over printers started for it, in the order given; the time it took, or a negative
// figure when it did not end as expected.
double TimeSearch(const std::vector<vprinter::Options>& printers, int foundAt) {
  std::vector<std::unique_ptr<vprinter::VirtualPrinter>> started;
  printer::SearchRequest request;
  request.firstRate = 9600;
  for (const vprinter::Options& options : printers) {
    started.push_back(std::make_unique<vprinter::VirtualPrinter>(options));
    if (!started.back()->Start()) return -1;
    const std::string name = "COM" + std::to_string(started.size());
    request.ports.push_back({name, started.back()->DevicePath(), name});
  }
  const auto start = Clock::now();
  const printer::SearchResult result = printer::FindPrinter(request);
  const double seconds = Seconds(Clock::now() - start);
  return result.portIndex == foundAt ? seconds : -1;
}

// Silent ports, every rate tried and waited for in full on each, all at once; then eight ports
// with a printer at 2400 bps (the seventh rate) on the last, beside the time of one port.
bool MeasurePortCounts() {
  const double one = TimeSearch({Silent()}, -1);
  if (one < 0) return false;
  std::printf("One silent port, all 8 rates: %.3f s (aim < 2.5 s: %s)\n", one, Verdict(one < 2.5));
  for (const int count : {3, 8}) {
    const double seconds = TimeSearch(std::vector<vprinter::Options>(count, Silent()), -1);
    if (seconds < 0) return false;
    std::printf("%d silent ports at once: %.3f s, %.2f x one port (aim <= 1.2 x: %s)\n", count,
                seconds, seconds / one, Verdict(seconds <= 1.2 * one));
  }
  std::vector<vprinter::Options> printers(7, Silent());
  printers.push_back(AnsweringAs(kFamily1Model, 2400));
  const double seconds = TimeSearch(printers, 7);
  if (seconds < 0) return false;
  std::printf(
      "8 ports, the printer at 2400 bps on the last: %.3f s, %.2f x one port (aim <= 1.2 x: "
      "%s)\n",
      seconds, seconds / one, Verdict(seconds <= 1.2 * one));
  return true;
}

// A printer at the slowest rate on the second of three ports: the result waits for the first
// port's every rate and the second's all but the last, now side by side.
bool MeasureSlowPrinterOnSecondPort() {
  const vprinter::Options slow = AnsweringAs(kFamily1Model, 1200);
  const double seconds = TimeSearch({Silent(), slow, Silent()}, 1);
  if (seconds < 0) return false;
  std::printf("Printer at 1200 bps on the second of three ports: %.3f s (aim < 4 s: %s)\n", seconds,
              Verdict(seconds < 4));
  return true;
}

// Time from a stop request, made at points spread over the tries, to the search over eight
// silent ports returning with every port's thread ended.
bool MeasureStop() {
  std::vector<std::unique_ptr<vprinter::VirtualPrinter>> printers;
  printer::SearchRequest request;
  request.firstRate = 1200;
  for (int index = 1; index <= 8; ++index) {
    printers.push_back(std::make_unique<vprinter::VirtualPrinter>(Silent()));
    if (!printers.back()->Start()) return false;
    const std::string name = "COM" + std::to_string(index);
    request.ports.push_back({name, printers.back()->DevicePath(), name});
  }
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
    const printer::SearchResult result = printer::FindPrinter(request, hooks);
    const auto returnedAt = Clock::now();
    requester.join();
    if (!result.stopped) return false;
    const Clock::time_point requested{Clock::duration{stoppedAt.load()}};
    worstMs = std::max(worstMs, Seconds(returnedAt - requested) * 1000);
  }
  std::printf(
      "Stop request to the search over 8 ports returning, worst of %d: %.1f ms (aim < 100 ms: "
      "%s)\n",
      kStopRuns, worstMs, Verdict(worstMs < 100));
  return true;
}

}  // namespace

int main() {
  std::printf("Printer search benchmark\n");
  bool ok = true;
  if (!MeasurePortCounts()) {
    std::printf("  port-count measurement failed: no pty, or the wrong port answered\n");
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
