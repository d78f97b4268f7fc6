#include "interrupt.h"

#include <csignal>

namespace cli {
namespace {

// Only a flag is touched in the handler; the command looks at it between waits.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): a signal handler's flag
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int /*signal*/) { interrupted = 1; }

}  // namespace

void CatchInterrupt() { std::signal(SIGINT, OnInterrupt); }

bool Interrupted() { return interrupted != 0; }

}  // namespace cli
