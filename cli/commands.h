#pragma once

#include "arguments.h"
#include "exit_status.h"

namespace cli {

// Runs the command the arguments name; writes results to standard output and messages to
// standard error; returns the exit status.
int Run(const ParseResult& parsed);

}  // namespace cli
