#include "install_job.h"

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

}  // namespace

InstallOutcome RunInstallJob(const InstallJob& job, const StopRequest& stop) {
  SearchRequest request;
  request.ports = {job.port};
  request.firstRate = job.firstRate;
  SearchHooks searchHooks;
  searchHooks.stopRequested = stop;
  const SearchResult search = FindPrinter(request, searchHooks);
  if (!search.found) return FromSearch(search);

  Tserial serial;
  serial.SetWaitHook([&stop] { return !(stop && stop()); });
  Session session(serial);
  if (session.Connect(job.port.device, search.rate).outcome != ConnectOutcome::Connected) {
    InstallOutcome outcome;
    outcome.model = search.model;
    outcome.family = search.family;
    outcome.rateBefore = search.rate;
    outcome.rateAfter = search.rate;
    return FailedWith(outcome, InstallFailure::NoAnswerAtSend, stop && stop());
  }
  SendHooks hooks;
  hooks.pause = [&stop](int ms) { return SleepUnlessStopped(std::chrono::milliseconds(ms), stop); };
  hooks.stopRequested = stop;
  SendWishes wishes = job.wishes;
  wishes.stop = stop;
  return CompleteSend(session, job.settings, session.Send(job.settings, hooks, job.pauseMs),
                      wishes);
}

}  // namespace printer
