#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace cli {
namespace {

// Only a flag is touched in the handler; every port's thread looks at it between waits.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): a signal handler's flag
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch it so");

extern "C" void OnInterrupt(int /*signal*/) { interrupted = true; }

}  // namespace

void CatchInterrupt() { std::signal(SIGINT, OnInterrupt); }

bool Interrupted() { return interrupted; }

}  // namespace cli
