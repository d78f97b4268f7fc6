#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "identify_try.h"
#include "serial.h"

// The printer search's work on one port: its rates in order until a supported printer answers,
// the port turns out held or missing, or a stop request. The search runs one of these for each
// port at once.
namespace printer {

struct SearchPort {
  std::string name;    // as the search reports it, e.g. "COM3 — ttyUSB0"
  std::string device;  // what Tserial::OpenDevice opens, e.g. /dev/ttyUSB0
  std::string tag;     // the caller's own name for the port, handed back with what was found
};

// What the search saw on one port.
enum class PortSeen {
  NotReached,   // the search ended before this port
  Console,      // the system console: skipped
  Held,         // held by another program (openError.detail names it where it can be told)
  CannotOpen,   // the port did not open; openError says why
  NoAnswer,     // opened at every rate, no whole reply at any
  Unsupported,  // a printer answered with a name not in the model table (model, rate)
  Found,        // the supported printer the search ended with (model, rate)
};

struct PortFinding {
  std::string name;
  std::string device;
  PortSeen seen = PortSeen::NotReached;
  std::string model;
  std::uint32_t rate = 0;
  OpenError openError;
};

// The rates tried on port out of the search's rates: a raw-TCP port runs at its device server's
// rate whatever a try asks, so one try tells.
std::vector<std::uint32_t> RatesFor(const SearchPort& port,
                                    const std::vector<std::uint32_t>& rates);

struct PortTries {
  PortFinding finding;
  int tries = 0;         // tries that ran to their end
  bool stopped = false;  // a stop request ended the port's tries
  TryResult found;       // the try that found a supported printer (finding.seen is Found)
};

// Tries port at each of rates in turn; starting runs before each try with its rate. A
// supported printer that answers after other rates were tried is sent ESC @.
PortTries TryPort(const SearchPort& port, const std::vector<std::uint32_t>& rates,
                  const StopRequest& stop, const std::function<void(std::uint32_t)>& starting);

}  // namespace printer
