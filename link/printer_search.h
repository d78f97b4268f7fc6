#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "identify_try.h"
#include "printer.h"
#include "serial.h"
#include "system_console.h"

// The printer search: every rate on every port until a supported printer answers. It blocks
// for seconds, so it runs off the window's thread; each try opens a port of its own.
namespace printer {

struct SearchPort {
  std::string name;    // as the search reports it, e.g. "COM3 — ttyUSB0"
  std::string device;  // what Tserial::OpenDevice opens, e.g. /dev/ttyUSB0
  std::string tag;     // the caller's own name for the port, handed back with what was found
};

// The rates tried on each port, in order: firstRate when it is one of the eight rates of the
// baud list, then the others from the most common among receipt printers, each once.
std::vector<std::uint32_t> SearchRates(std::uint32_t firstRate);

struct SearchRequest {
  std::vector<SearchPort> ports;  // the selected port first
  std::uint32_t firstRate = 0;    // the rate selected in the baud list
  // Never probed: bytes sent there would reach the system's console.
  std::vector<std::string> consoleDevices = system_console::Devices();
};

struct SearchHooks {
  // Before each try: the tries made so far, the tries the search now expects to make in all
  // (fewer once a port is skipped), and the port and rate about to be tried.
  std::function<void(int triesMade, int triesPlanned, const std::string& portName,
                     std::uint32_t rate)>
      progress;
  StopRequest stopRequested;
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

struct SearchResult {
  bool found = false;
  bool stopped = false;  // a stop request ended the search
  int portIndex = -1;    // of the port the printer was found on, in the request's order
  std::string portName;
  std::string tag;  // of that port
  std::string device;
  std::uint32_t rate = 0;
  std::string model;
  int family = kNoFamily;
  bool bufferCleared = false;  // ESC @ went out after wrong rates had been tried on that port
  int tries = 0;
  std::vector<PortFinding> findings;  // one for each port of the request, in its order
};

// Tries the ports in the given order, each at the rates of SearchRates, and ends at the first
// supported printer. A port held by another program, and one that cannot be opened at all, is
// left after the first try; the console is never opened. The ports are closed on return: the
// caller connects to the found port at the found rate with its own Tserial.
SearchResult FindPrinter(const SearchRequest& request, const SearchHooks& hooks = {});

}  // namespace printer
