#include "printer_search.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <limits>
#include <mutex>
#include <thread>

namespace printer {
namespace {

// After the selected rate: the common rates first, then the slow ones that take longest to try.
constexpr std::array<std::uint32_t, 8> kRateOrder = {9600,  19200, 38400, 115200,
                                                     57600, 4800,  2400,  1200};

// How often the search asks its caller's stop request while the ports are at work.
constexpr std::chrono::milliseconds kStopPoll{10};

// One port's part of the search.
struct PortWork {
  std::vector<std::uint32_t> rates;    // to try; none on the console
  std::vector<std::uint32_t> started;  // the rates whose tries have begun, in order
  bool done = false;
  PortTries tries;
};

// Ended without a printer, or never tried: the result lies on a later port.
bool Passed(const PortWork& port) {
  return port.done && !port.tries.stopped && port.tries.finding.seen != PortSeen::Found;
}

// What the ports' threads share with the search. The two stops are read by every try about
// every 10 ms, so they are atomics of their own; the rest is guarded by mutex.
struct Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t version = 0;
  std::vector<PortWork> ports;
  std::atomic<bool> stopAll{false};
  // The earliest port where a supported printer answered: every port after it stops.
  std::atomic<std::size_t> firstFound{std::numeric_limits<std::size_t>::max()};

  bool StopFor(std::size_t index) const { return stopAll || firstFound < index; }

  void Found(std::size_t index) {
    std::size_t earliest = firstFound;
    while (index < earliest && !firstFound.compare_exchange_weak(earliest, index)) {
    }
  }
};

// The ports of the request on one device, in order. A device named twice is tried once at a
// time, so that the later name sees what trying in turn would show it.
std::vector<std::vector<std::size_t>> Lanes(const SearchRequest& request,
                                            const std::vector<PortWork>& ports) {
  std::vector<std::vector<std::size_t>> lanes;
  std::vector<const std::string*> devices;
  for (std::size_t index = 0; index < ports.size(); ++index) {
    if (ports[index].done) continue;
    const std::string& device = request.ports[index].device;
    const auto same =
        std::find_if(devices.begin(), devices.end(),
                     [&device](const std::string* other) { return *other == device; });
    if (same == devices.end()) {
      devices.push_back(&device);
      lanes.emplace_back();
      lanes.back().push_back(index);
    } else {
      lanes[static_cast<std::size_t>(same - devices.begin())].push_back(index);
    }
  }
  return lanes;
}

void RunLane(const SearchRequest& request, const std::vector<std::size_t>& lane, Shared& shared) {
  for (const std::size_t index : lane) {
    const StopRequest stop = [&shared, index] { return shared.StopFor(index); };
    PortTries tries;
    if (stop()) {
      tries.finding.name = request.ports[index].name;
      tries.finding.device = request.ports[index].device;
      tries.stopped = true;
    } else {
      tries = TryPort(request.ports[index], shared.ports[index].rates, stop,
                      [&shared, index](std::uint32_t rate) {
                        const std::lock_guard lock(shared.mutex);
                        shared.ports[index].started.push_back(rate);
                        ++shared.version;
                        shared.changed.notify_all();
                      });
    }
    if (tries.finding.seen == PortSeen::Found) shared.Found(index);
    const std::lock_guard lock(shared.mutex);
    shared.ports[index].tries = std::move(tries);
    shared.ports[index].done = true;
    ++shared.version;
    shared.changed.notify_all();
  }
}

// The ordered progress: each port's tries once every port before it has ended, as trying the
// ports in turn would have reported them.
class InOrder {
 public:
  explicit InOrder(int planned) : planned_(planned) {}

  void Report(const SearchRequest& request, const std::vector<PortWork>& ports,
              const SearchHooks& hooks) {
    while (next_ < ports.size()) {
      const PortWork& port = ports[next_];
      for (; replayed_ < port.started.size(); ++replayed_) {
        if (hooks.progress) {
          hooks.progress(made_ + static_cast<int>(replayed_), planned_, request.ports[next_].name,
                         port.started[replayed_]);
        }
      }
      if (!Passed(port)) return;
      made_ += port.tries.tries;
      planned_ -= static_cast<int>(port.rates.size()) - port.tries.tries;
      ++next_;
      replayed_ = 0;
    }
  }

 private:
  std::size_t next_ = 0;
  std::size_t replayed_ = 0;
  int made_ = 0;
  int planned_;
};

PortsProgress Overview(const std::vector<PortWork>& ports) {
  PortsProgress progress;
  for (const PortWork& port : ports) {
    if (port.tries.finding.seen == PortSeen::Console) continue;
    ++progress.portsTried;
    if (port.done) {
      progress.triesMade += port.tries.tries;
      progress.triesPlanned += port.tries.tries;
      if (!port.tries.stopped) progress.finished.push_back(port.tries.finding.name);
    } else {
      progress.triesMade += std::max(0, static_cast<int>(port.started.size()) - 1);
      progress.triesPlanned += static_cast<int>(port.rates.size());
    }
  }
  return progress;
}

// The first port, in the request's order, that the result depends on: its index, or the port
// count once every port has passed.
std::size_t Decisive(const std::vector<PortWork>& ports) {
  return static_cast<std::size_t>(std::find_if_not(ports.begin(), ports.end(), Passed) -
                                  ports.begin());
}

// What trying the ports in turn would have returned, the search having ended at port decisive.
SearchResult Assemble(const SearchRequest& request, const std::vector<PortWork>& ports,
                      std::size_t decisive) {
  SearchResult result;
  for (std::size_t index = 0; index < ports.size(); ++index) {
    const PortFinding& finding = ports[index].tries.finding;
    if (index <= decisive || finding.seen == PortSeen::Console) {
      result.findings.push_back(finding);
      result.tries += ports[index].tries.tries;
    } else {
      PortFinding notReached;
      notReached.name = finding.name;
      notReached.device = finding.device;
      result.findings.push_back(std::move(notReached));
    }
  }
  if (decisive == ports.size()) return result;
  const PortTries& tries = ports[decisive].tries;
  if (tries.stopped) {
    result.stopped = true;
    return result;
  }
  result.found = true;
  result.portIndex = static_cast<int>(decisive);
  result.portName = request.ports[decisive].name;
  result.tag = request.ports[decisive].tag;
  result.device = request.ports[decisive].device;
  result.rate = tries.finding.rate;
  result.model = tries.found.model;
  result.family = tries.found.family;
  result.bufferCleared = tries.found.bufferCleared;
  return result;
}

}  // namespace

std::vector<std::uint32_t> SearchRates(std::uint32_t firstRate) {
  std::vector<std::uint32_t> rates;
  if (std::find(kRateOrder.begin(), kRateOrder.end(), firstRate) != kRateOrder.end()) {
    rates.push_back(firstRate);
  }
  std::copy_if(kRateOrder.begin(), kRateOrder.end(), std::back_inserter(rates),
               [firstRate](std::uint32_t rate) { return rate != firstRate; });
  return rates;
}

SearchResult FindPrinter(const SearchRequest& request, const SearchHooks& hooks) {
  const std::vector<std::uint32_t> allRates = SearchRates(request.firstRate);
  Shared shared;
  int planned = 0;
  for (const SearchPort& port : request.ports) {
    PortWork work;
    work.tries.finding.name = port.name;
    work.tries.finding.device = port.device;
    if (system_console::IsConsole(port.device, request.consoleDevices)) {
      work.tries.finding.seen = PortSeen::Console;
      work.done = true;
    } else {
      work.rates = RatesFor(port, allRates);
      planned += static_cast<int>(work.rates.size());
    }
    shared.ports.push_back(std::move(work));
  }
  if (hooks.ports) hooks.ports(Overview(shared.ports));
  const auto stopRequested = [&hooks] { return hooks.stopRequested && hooks.stopRequested(); };
  shared.stopAll = stopRequested();

  std::vector<std::thread> threads;
  for (const std::vector<std::size_t>& lane : Lanes(request, shared.ports)) {
    threads.emplace_back([&request, lane, &shared] { RunLane(request, lane, shared); });
  }

  InOrder inOrder(planned);
  std::uint64_t seen = 0;
  std::vector<PortWork> ports = shared.ports;
  std::size_t decisive = Decisive(ports);
  while (decisive < ports.size() && !ports[decisive].done) {
    bool changed = false;
    {
      std::unique_lock lock(shared.mutex);
      changed = shared.changed.wait_for(lock, kStopPoll,
                                        [&shared, seen] { return shared.version != seen; });
      if (changed) {
        seen = shared.version;
        ports = shared.ports;
      }
    }
    if (stopRequested()) shared.stopAll = true;
    if (!changed) continue;
    inOrder.Report(request, ports, hooks);
    if (hooks.ports) hooks.ports(Overview(ports));
    decisive = Decisive(ports);
  }
  inOrder.Report(request, ports, hooks);

  // The result is known: nothing after its port is needed any more.
  shared.Found(decisive);
  for (std::thread& thread : threads) thread.join();
  return Assemble(request, shared.ports, decisive);
}

}  // namespace printer
