#include "completed_send.h"

namespace printer {

InstallOutcome FailedWith(InstallOutcome outcome, InstallFailure failure, bool stopped) {
  outcome.result = InstallResult::Failed;
  outcome.failure = stopped ? InstallFailure::Stopped : failure;
  outcome.stopped = stopped;
  return outcome;
}

namespace {

// The rate the printer answers at once the wait has ended, and how the job ends.
InstallOutcome AfterRestart(InstallOutcome outcome, const RestartResult& restarted) {
  switch (restarted.outcome) {
    case RestartOutcome::NewRate:
      outcome.result = InstallResult::Configured;
      return outcome;
    case RestartOutcome::OldRateKept:
      outcome.rateAfter = outcome.rateBefore;
      return FailedWith(outcome, InstallFailure::OldRateKept, false);
    case RestartOutcome::NoAnswer:
      return FailedWith(outcome, InstallFailure::NoAnswerAfterWait, false);
    case RestartOutcome::Stopped:
      break;
  }
  return FailedWith(outcome, InstallFailure::Stopped, true);
}

}  // namespace

InstallOutcome CompleteSend(Session& session, const PrinterSettings& settings, SendOutcome sent,
                            const SendWishes& wishes) {
  const auto stopped = [&wishes] { return wishes.stop && wishes.stop(); };
  InstallOutcome outcome;
  outcome.model = session.Model();
  outcome.family = session.Family();
  outcome.rateBefore = session.Rate();
  outcome.rateAfter = session.Rate();
  switch (sent) {
    case SendOutcome::Complete:
      break;
    case SendOutcome::NoAnswer:
      return FailedWith(outcome, InstallFailure::NoAnswerAtSend, stopped());
    case SendOutcome::LineLost:
      return FailedWith(outcome, InstallFailure::LineLost, stopped());
    case SendOutcome::Stopped:
      return FailedWith(outcome, InstallFailure::Stopped, true);
  }
  // The printer still runs at the connection's rate until it is switched off and on.
  if (wishes.confirmModel && !session.ConfirmModel()) {
    return FailedWith(outcome, InstallFailure::NotConfirmed, stopped());
  }
  const RateChangeAfterSend change = session.RateChangeAfter(settings);
  outcome.rateChange = change.change;
  if (change.change != RateChange::None) outcome.rateAfter = change.newRate;

  if (wishes.printSlip) {
    SlipFacts facts = wishes.slip;
    facts.model = outcome.model;
    facts.rateBefore = outcome.rateBefore;
    facts.rateAfter = outcome.rateAfter;
    facts.family = outcome.family;
    facts.settings = settings;
    const SettingsSequence slip = BuildInstallSlip(facts, wishes.language);
    SendHooks hooks;
    hooks.stopRequested = wishes.stop;
    const SendOutcome printed = wishes.run ? wishes.run(slip) : session.Run(slip, hooks);
    if (printed != SendOutcome::Complete) {
      return FailedWith(outcome, InstallFailure::LineLost,
                        printed == SendOutcome::Stopped || stopped());
    }
  }

  if (change.change == RateChange::None) {
    outcome.result = InstallResult::Configured;
    return outcome;
  }
  // A device server's rate is set by hand; there is nothing to wait for before that.
  if (!wishes.followRestart || change.change == RateChange::SetDeviceServer) {
    outcome.result = InstallResult::RestartNeeded;
    return outcome;
  }
  session.Disconnect();
  const RestartWait wait = RestartWaitAfter(session, change, wishes.restartLimit);
  return AfterRestart(outcome, WaitForRestart(wait, {{}, wishes.stop}));
}

}  // namespace printer
