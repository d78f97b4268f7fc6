#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "identify_try.h"
#include "printer.h"

// After settings that change the printer's rate, the printer takes the new rate only once it is
// switched off and on. This waits for that on the connection's port, off the window's thread.
namespace printer {

// How long a printer is waited for after a send that changed its rate.
inline constexpr std::chrono::milliseconds kRestartLimit{120000};

class Session;
struct RateChangeAfterSend;

struct RestartWait {
  std::string device;  // the connected device's path, which a USB printer loses while off
  std::uint32_t newRate = 0;
  std::uint32_t oldRate = 0;
  std::chrono::milliseconds period{500};            // from the start of one round to the next
  std::chrono::milliseconds limit = kRestartLimit;  // no round starts after this
};

enum class RestartOutcome {
  NewRate,      // the printer answered at the new rate
  OldRateKept,  // it went silent, then answered at the old rate: it restarted without the change
  NoAnswer,     // no answer at the new rate within the limit
  Stopped,      // a stop request ended the wait
};

struct RestartResult {
  RestartOutcome outcome = RestartOutcome::NoAnswer;
  std::string model;  // as the printer reported it when it answered
  int family = kNoFamily;
  int rounds = 0;
  bool bufferCleared = false;  // ESC @ went out at the rate the printer last answered at
};

struct RestartHooks {
  // Before each round: how long the wait has lasted.
  std::function<void(std::chrono::milliseconds waited)> progress;
  StopRequest stopRequested;
};

// The wait for the session's device to take the rate a send changed, for at most limit.
RestartWait RestartWaitAfter(const Session& session, const RateChangeAfterSend& change,
                             std::chrono::milliseconds limit);

// Each round tries identify at the new rate, then at the old one. An answer at the old rate
// means the printer has not been switched off yet, unless an earlier round found it off: silent
// at both rates, or its device gone. However the wait ends, a printer that answered at all gets
// ESC @ at the rate it last answered at, so the queries it could not read are not printed.
RestartResult WaitForRestart(const RestartWait& wait, const RestartHooks& hooks = {});

}  // namespace printer
