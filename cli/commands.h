#pragma once

#include "arguments.h"

namespace cli {

// The exit statuses, as --help and the README give them.
enum ExitStatus {
  kDone = 0,
  kUsage = 2,
  kNoPrinter = 3,
  kUnsupported = 4,
  kCannotOpen = 5,
  kStoppedAnswering = 6,
  kSomeFailed = 7,
  kNotWritten = 8,  // every printer served, but the install log or standard output not written
  kInterrupted = 130,
};

// Runs the command the arguments name; writes results to standard output and messages to
// standard error; returns the exit status.
int Run(const ParseResult& parsed);

}  // namespace cli
