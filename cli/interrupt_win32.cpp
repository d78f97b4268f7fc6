#include <windows.h>

#include <atomic>

#include "interrupt.h"

namespace cli {
namespace {

// Windows ends the process once the handler of a close, log-off or shutdown returns, and at the
// latest after about five seconds: the handler waits so long for the command to stop and exit.
constexpr DWORD kCloseWaitMs = 4500;

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): the handler's flag
std::atomic<DWORD> stopEvent{0};
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): read by the handler
std::atomic<bool> stopRequested{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  // CTRL_C_EVENT is 0: the flag says whether any event came; the first one is kept.
  if (!stopRequested.exchange(true)) stopEvent = event;
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // The command's exit ends the process, and this wait with it.
  Sleep(kCloseWaitMs);
  return TRUE;
}

}  // namespace

void CatchInterrupt() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool Interrupted() { return stopRequested; }

QString InterruptText() {
  switch (stopEvent) {
    case CTRL_BREAK_EVENT:
      return QStringLiteral("Stopped by Ctrl-Break.");
    case CTRL_CLOSE_EVENT:
      return QStringLiteral("Stopped: the console window was closed.");
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      return QStringLiteral("Stopped: Windows is logging off or shutting down.");
    default:
      break;
  }
  return QStringLiteral("Stopped by Ctrl-C.");
}

}  // namespace cli
