#include "restart_wait.h"

#include <algorithm>

#include "session.h"

namespace printer {
namespace {

using Clock = std::chrono::steady_clock;

bool Answered(const TryResult& attempt) {
  return attempt.outcome == TryOutcome::Supported || attempt.outcome == TryOutcome::Unsupported;
}

RestartResult Ended(RestartOutcome outcome, int rounds, const TryResult& attempt = {}) {
  return {outcome, attempt.model, attempt.family, rounds};
}

}  // namespace

RestartResult WaitForRestart(const RestartWait& wait, const RestartHooks& hooks) {
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + wait.limit;
  bool seenSilent = false;
  int rounds = 0;
  // A round slower than the period is followed by the next at once rather than falling behind.
  for (Clock::time_point round = start; round <= end;
       round = std::max(round + wait.period, Clock::now())) {
    const auto untilRound = std::chrono::ceil<std::chrono::milliseconds>(round - Clock::now());
    if (!SleepUnlessStopped(untilRound, hooks.stopRequested)) {
      return Ended(RestartOutcome::Stopped, rounds);
    }
    if (hooks.progress) {
      hooks.progress(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start));
    }
    ++rounds;
    const TryResult atNew = TryIdentify(wait.device, wait.newRate, hooks.stopRequested);
    if (Answered(atNew)) return Ended(RestartOutcome::NewRate, rounds, atNew);
    if (atNew.outcome == TryOutcome::Stopped) return Ended(RestartOutcome::Stopped, rounds);

    const TryResult atOld = TryIdentify(wait.device, wait.oldRate, hooks.stopRequested);
    if (Answered(atOld) && seenSilent) return Ended(RestartOutcome::OldRateKept, rounds, atOld);
    if (atOld.outcome == TryOutcome::Stopped) return Ended(RestartOutcome::Stopped, rounds);
    // Silent at both rates: the printer is off. A port that did not open tells nothing.
    seenSilent = seenSilent || atOld.outcome == TryOutcome::NoAnswer;
  }
  return Ended(RestartOutcome::NoAnswer, rounds);
}

}  // namespace printer
