#include "restart_wait.h"

#include <algorithm>

#include "session.h"

namespace printer {
namespace {

using Clock = std::chrono::steady_clock;

bool Answered(const TryResult& attempt) {
  return attempt.outcome == TryOutcome::Supported || attempt.outcome == TryOutcome::Unsupported;
}

// Switched off: no answer, or no device (a USB printer's own serial port goes with its power).
bool SeemsOff(const TryResult& attempt) {
  return attempt.outcome == TryOutcome::NoAnswer ||
         (attempt.outcome == TryOutcome::OpenFailed &&
          attempt.openError.reason == OpenFailure::NoDevice);
}

bool ClearAt(const std::string& device, std::uint32_t rate) {
  Tserial serial;
  return rate != 0 && serial.OpenDevice(device, rate) && ClearPrintBuffer(serial);
}

}  // namespace

RestartWait RestartWaitAfter(const Session& session, const RateChangeAfterSend& change,
                             std::chrono::milliseconds limit) {
  RestartWait wait;
  wait.device = session.Device();
  wait.newRate = change.newRate;
  wait.oldRate = change.oldRate;
  wait.limit = limit;
  return wait;
}

RestartResult WaitForRestart(const RestartWait& wait, const RestartHooks& hooks) {
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + wait.limit;
  bool seenOff = false;
  std::uint32_t answeredAt = 0;
  RestartResult result;
  const auto ended = [&](RestartOutcome outcome, const TryResult& attempt = {}) {
    result.outcome = outcome;
    result.model = attempt.model;
    result.family = attempt.family;
    result.bufferCleared = ClearAt(wait.device, answeredAt);
    return result;
  };
  // A round slower than the period is followed by the next at once rather than falling behind.
  for (Clock::time_point round = start; round <= end;
       round = std::max(round + wait.period, Clock::now())) {
    const auto untilRound = std::chrono::ceil<std::chrono::milliseconds>(round - Clock::now());
    if (!SleepUnlessStopped(untilRound, hooks.stopRequested)) {
      return ended(RestartOutcome::Stopped);
    }
    if (hooks.progress) {
      hooks.progress(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start));
    }
    ++result.rounds;
    const TryResult atNew = TryIdentify(wait.device, wait.newRate, hooks.stopRequested);
    if (Answered(atNew)) {
      answeredAt = wait.newRate;
      return ended(RestartOutcome::NewRate, atNew);
    }
    if (atNew.outcome == TryOutcome::Stopped) return ended(RestartOutcome::Stopped);

    const TryResult atOld = TryIdentify(wait.device, wait.oldRate, hooks.stopRequested);
    if (Answered(atOld)) {
      answeredAt = wait.oldRate;
      if (seenOff) return ended(RestartOutcome::OldRateKept, atOld);
    }
    if (atOld.outcome == TryOutcome::Stopped) return ended(RestartOutcome::Stopped);
    // A port that did not open for another reason (held, refused) tells nothing.
    seenOff = seenOff || SeemsOff(atOld);
  }
  return ended(RestartOutcome::NoAnswer);
}

}  // namespace printer
