#include <atomic>
#include <csignal>

#include "interrupt.h"

namespace cli {
namespace {

// Only the signal's number is kept in the handler; every port's thread looks at it between waits.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): a signal handler's flag
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch it so");

extern "C" void OnStopSignal(int signal) {
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal);
}

}  // namespace

void CatchInterrupt() {
  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  stop.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &stop, nullptr);
  // A closed pipe shows as EPIPE on the write instead, and only the output stops; a file past
  // the size limit as a write that fails (EFBIG), as on a full disk.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (const int signal : {SIGPIPE, SIGXFSZ}) sigaction(signal, &ignore, nullptr);
}

bool Interrupted() { return stopSignal != 0; }

QString InterruptText() {
  switch (stopSignal) {
    case SIGTERM:
      return QStringLiteral("Stopped by SIGTERM.");
    case SIGHUP:
      return QStringLiteral("Stopped: the terminal hung up.");
    default:
      break;
  }
  return QStringLiteral("Stopped by Ctrl-C.");
}

}  // namespace cli
