#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "identify_try.h"
#include "port_tries.h"
#include "printer.h"
#include "system_console.h"

// The printer search: every rate on every port until a supported printer answers. Each port is
// tried on a thread of its own with a Tserial of its own, all at once, and the result is the one
// trying the ports in turn would give. It blocks for seconds, so it runs off the window's thread.
namespace printer {

// The rates tried on each port, in order: firstRate when it is one of the eight rates of the
// baud list, then the others from the most common among receipt printers, each once.
std::vector<std::uint32_t> SearchRates(std::uint32_t firstRate);

struct SearchRequest {
  std::vector<SearchPort> ports;  // the selected port first
  std::uint32_t firstRate = 0;    // the rate selected in the baud list
  // Never probed: bytes sent there would reach the system's console.
  std::vector<std::string> consoleDevices = system_console::Devices();
};

// The ports at work, for a progress display.
struct PortsProgress {
  int triesMade = 0;                  // over every port
  int triesPlanned = 0;               // over every port, fewer once a port has ended early
  int portsTried = 0;                 // the ports the search opens: all but the console
  std::vector<std::string> finished;  // the names of the ports whose tries have ended, in order
};

// Every hook runs on the thread that called FindPrinter.
struct SearchHooks {
  // Before each try as trying the ports in turn would make it: the tries made so far, the tries
  // the search then expects to make in all (fewer once a port is skipped), and the port and rate
  // about to be tried. The port named is the one the result waits on.
  std::function<void(int triesMade, int triesPlanned, const std::string& portName,
                     std::uint32_t rate)>
      progress;
  StopRequest stopRequested;
  // When the search starts, and whenever a port starts a try or ends.
  std::function<void(const PortsProgress& ports)> ports;
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

// Tries every port at once, each at the rates of SearchRates, and returns the first port in the
// given order where a supported printer answered: a port that answers waits for the ports
// before it, and the ports after it stop at once. A port held by another program, and one that
// cannot be opened at all, is left after the first try; the console is never opened. A stop
// request ends every port within about 20 ms. The ports are closed and their threads ended on
// return: the caller connects to the found port at the found rate with its own Tserial.
SearchResult FindPrinter(const SearchRequest& request, const SearchHooks& hooks = {});

}  // namespace printer
