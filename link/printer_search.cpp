#include "printer_search.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "network_port.h"

namespace printer {
namespace {

// After the selected rate: the common rates first, then the slow ones that take longest to try.
constexpr std::array<std::uint32_t, 8> kRateOrder = {9600,  19200, 38400, 115200,
                                                     57600, 4800,  2400,  1200};

enum class Next { Rate, Port, Found, Stop };

// Adds what one try saw to the port's finding and says where the search goes on. A reply with
// an unknown name does not end the port: bytes from a printer at another rate, or chatter, can
// arrive as a whole reply. The first such name is the one kept.
Next Record(const TryResult& attempt, std::uint32_t rate, PortFinding& finding) {
  const bool unsupportedSeen = finding.seen == PortSeen::Unsupported;
  switch (attempt.outcome) {
    case TryOutcome::Supported:
      finding.seen = PortSeen::Found;
      finding.model = attempt.model;
      finding.rate = rate;
      return Next::Found;
    case TryOutcome::Unsupported:
      if (!unsupportedSeen) {
        finding.seen = PortSeen::Unsupported;
        finding.model = attempt.model;
        finding.rate = rate;
      }
      return Next::Rate;
    case TryOutcome::NoAnswer:
      if (!unsupportedSeen) finding.seen = PortSeen::NoAnswer;
      return Next::Rate;
    case TryOutcome::OpenFailed: {
      // A rate the device refuses leaves the other rates to try.
      const OpenFailure reason = attempt.openError.reason;
      const bool otherRatesLeft = reason == OpenFailure::RateRefused;
      if (!unsupportedSeen && (!otherRatesLeft || finding.seen == PortSeen::NotReached)) {
        finding.seen = reason == OpenFailure::Busy ? PortSeen::Held : PortSeen::CannotOpen;
        finding.openError = attempt.openError;
      }
      return otherRatesLeft ? Next::Rate : Next::Port;
    }
    case TryOutcome::Stopped:
      break;
  }
  return Next::Stop;
}

// A raw-TCP port runs at its device server's rate whatever the try asks: one try tells.
std::vector<std::uint32_t> RatesFor(const SearchPort& port,
                                    const std::vector<std::uint32_t>& rates) {
  if (!IsRawTcpAddress(port.device)) return rates;
  return {rates.front()};
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
  SearchResult result;
  int planned = 0;
  for (const SearchPort& port : request.ports) {
    PortFinding finding;
    finding.name = port.name;
    finding.device = port.device;
    if (system_console::IsConsole(port.device, request.consoleDevices)) {
      finding.seen = PortSeen::Console;
    } else {
      planned += static_cast<int>(RatesFor(port, allRates).size());
    }
    result.findings.push_back(std::move(finding));
  }

  for (std::size_t index = 0; index < request.ports.size(); ++index) {
    const SearchPort& port = request.ports[index];
    PortFinding& finding = result.findings[index];
    if (finding.seen == PortSeen::Console) continue;
    const std::vector<std::uint32_t> rates = RatesFor(port, allRates);
    const int ratesPerPort = static_cast<int>(rates.size());
    bool spokeAtOtherRates = false;
    int triedHere = 0;
    for (const std::uint32_t rate : rates) {
      if (hooks.progress) hooks.progress(result.tries, planned, port.name, rate);
      const TryResult attempt =
          TryIdentify(port.device, rate, hooks.stopRequested, spokeAtOtherRates);
      const Next next = Record(attempt, rate, finding);
      if (next == Next::Stop) {
        result.stopped = true;
        return result;
      }
      ++result.tries;
      ++triedHere;
      spokeAtOtherRates = spokeAtOtherRates || attempt.outcome != TryOutcome::OpenFailed;
      if (next == Next::Found) {
        result.found = true;
        result.portIndex = static_cast<int>(index);
        result.portName = port.name;
        result.tag = port.tag;
        result.device = port.device;
        result.rate = rate;
        result.model = attempt.model;
        result.family = attempt.family;
        result.bufferCleared = attempt.bufferCleared;
        return result;
      }
      if (next == Next::Port) break;
    }
    planned -= ratesPerPort - triedHere;
  }
  return result;
}

}  // namespace printer
