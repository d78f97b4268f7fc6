#include "install_job.h"

#include "identify.h"
#include "restart_wait.h"
#include "serial.h"
#include "session.h"

namespace printer {

namespace {

InstallOutcome FromSearch(const SearchResult& search) {
  InstallOutcome outcome;
  outcome.stopped = search.stopped;
  const PortFinding& finding = search.findings.front();
  outcome.model = finding.model;
  outcome.rateBefore = finding.rate;
  outcome.openError = finding.openError;
  switch (finding.seen) {
    case PortSeen::Console:
    case PortSeen::Held:
      outcome.result = InstallResult::NotProbed;
      break;
    case PortSeen::CannotOpen:
      outcome.result = InstallResult::CannotOpen;
      break;
    case PortSeen::Unsupported:
      outcome.result = InstallResult::Unsupported;
      break;
    case PortSeen::NotReached:
    case PortSeen::NoAnswer:
    case PortSeen::Found:
      // A search cut short says nothing of the port: its printer may not have had its turn.
      outcome.result = search.stopped ? InstallResult::Failed : InstallResult::NoPrinter;
      if (search.stopped) outcome.failure = InstallFailure::Stopped;
      break;
  }
  return outcome;
}

InstallOutcome Failed(InstallOutcome outcome, InstallFailure failure, bool stopped) {
  outcome.result = InstallResult::Failed;
  outcome.failure = stopped ? InstallFailure::Stopped : failure;
  outcome.stopped = stopped;
  return outcome;
}

}  // namespace

InstallOutcome RunInstallJob(const InstallJob& job, const StopRequest& stop) {
  const auto stopped = [&stop] { return stop && stop(); };
  SearchRequest request;
  request.ports = {job.port};
  request.firstRate = job.firstRate;
  SearchHooks searchHooks;
  searchHooks.stopRequested = stop;
  const SearchResult search = FindPrinter(request, searchHooks);
  if (!search.found) return FromSearch(search);

  InstallOutcome outcome;
  outcome.model = search.model;
  outcome.family = search.family;
  outcome.rateBefore = search.rate;
  outcome.rateAfter = search.rate;

  Tserial serial;
  serial.SetWaitHook([&stopped] { return !stopped(); });
  Session session(serial);
  const ConnectResult connected = session.Connect(job.port.device, search.rate);
  if (connected.outcome != ConnectOutcome::Connected) {
    return Failed(outcome, InstallFailure::NoAnswerAtSend, stopped());
  }
  SendHooks hooks;
  hooks.pause = [&stop](int ms) { return SleepUnlessStopped(std::chrono::milliseconds(ms), stop); };
  hooks.stopRequested = stop;
  switch (session.Send(job.settings, hooks, job.pauseMs)) {
    case SendOutcome::Complete:
      break;
    case SendOutcome::NoAnswer:
      return Failed(outcome, InstallFailure::NoAnswerAtSend, stopped());
    case SendOutcome::LineLost:
      return Failed(outcome, InstallFailure::LineLost, stopped());
    case SendOutcome::Stopped:
      return Failed(outcome, InstallFailure::Stopped, true);
  }
  // The printer still runs at the connection's rate until it is switched off and on.
  const IdentifyResult again = AskModel(serial);
  if (!again.answered || again.model != search.model) {
    return Failed(outcome, InstallFailure::NotConfirmed, stopped());
  }
  const RateChangeAfterSend change = session.RateChangeAfter(job.settings);
  if (change.change != RateChange::None) outcome.rateAfter = change.newRate;

  if (job.printSlip) {
    SlipFacts facts = job.slip;
    facts.model = outcome.model;
    facts.rateBefore = outcome.rateBefore;
    facts.rateAfter = outcome.rateAfter;
    facts.family = outcome.family;
    facts.settings = job.settings;
    if (session.Run(BuildInstallSlip(facts, job.language), hooks) != SendOutcome::Complete) {
      return Failed(outcome, InstallFailure::LineLost, stopped());
    }
  }
  session.Disconnect();

  if (change.change == RateChange::None) {
    outcome.result = InstallResult::Configured;
    return outcome;
  }
  // A device server's rate is set by hand; there is nothing to wait for before that.
  if (!job.waitForRestart || change.change == RateChange::SetDeviceServer) {
    outcome.result = InstallResult::RestartNeeded;
    return outcome;
  }
  RestartWait wait;
  wait.device = job.port.device;
  wait.newRate = change.newRate;
  wait.oldRate = change.oldRate;
  wait.limit = job.restartLimit;
  const RestartResult restarted = WaitForRestart(wait, {{}, stop});
  switch (restarted.outcome) {
    case RestartOutcome::NewRate:
      outcome.result = InstallResult::Configured;
      return outcome;
    case RestartOutcome::OldRateKept:
      outcome.rateAfter = outcome.rateBefore;
      return Failed(outcome, InstallFailure::OldRateKept, false);
    case RestartOutcome::NoAnswer:
      return Failed(outcome, InstallFailure::NoAnswerAfterWait, false);
    case RestartOutcome::Stopped:
      break;
  }
  return Failed(outcome, InstallFailure::Stopped, true);
}

}  // namespace printer
