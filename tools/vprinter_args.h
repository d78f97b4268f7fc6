#pragma once

#include <string>

#include "virtual_printer.h"

// The command line of quillsetter-vprinter.
namespace vprinter {

inline constexpr const char* kDefaultModel = "Tavrin MR460V Printer";

inline constexpr int kPowerCycleOffMs = 2000;

struct ProgramArgs {
  Options options;
  bool powerCycleOnSignal = false;  // SIGUSR1 switches the printer off for kPowerCycleOffMs
  bool help = false;
  std::string error;  // empty when the command line is good
};

ProgramArgs ParseArgs(int argc, const char* const* argv);
std::string Usage();

}  // namespace vprinter
