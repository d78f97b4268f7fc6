#include "port_tries.h"

#include "network_port.h"

namespace printer {
namespace {

enum class Next { Rate, Port, Found, Stop };

// Adds what one try saw to the port's finding and says where the port's tries go on. A reply
// with an unknown name does not end the port: bytes from a printer at another rate, or chatter,
// can arrive as a whole reply. The first such name is the one kept.
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

}  // namespace

std::vector<std::uint32_t> RatesFor(const SearchPort& port,
                                    const std::vector<std::uint32_t>& rates) {
  if (!IsRawTcpAddress(port.device)) return rates;
  return {rates.front()};
}

PortTries TryPort(const SearchPort& port, const std::vector<std::uint32_t>& rates,
                  const StopRequest& stop, const std::function<void(std::uint32_t)>& starting) {
  PortTries tries;
  tries.finding.name = port.name;
  tries.finding.device = port.device;
  bool spokeAtOtherRates = false;
  for (const std::uint32_t rate : rates) {
    starting(rate);
    const TryResult attempt = TryIdentify(port.device, rate, stop, spokeAtOtherRates);
    const Next next = Record(attempt, rate, tries.finding);
    if (next == Next::Stop) {
      tries.stopped = true;
      break;
    }
    ++tries.tries;
    spokeAtOtherRates = spokeAtOtherRates || attempt.outcome != TryOutcome::OpenFailed;
    if (next == Next::Found) tries.found = attempt;
    if (next != Next::Rate) break;
  }
  return tries;
}

}  // namespace printer
