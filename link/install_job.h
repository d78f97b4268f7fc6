#pragma once

#include <cstdint>

#include "completed_send.h"
#include "identify_try.h"
#include "printer_search.h"
#include "settings_sequence.h"

// One printer of a batch, start to end on its own port: find it, send the settings for the
// family it reports, then do what the job wishes after the send (ask its model again, print the
// slip, follow a power cycle). Each job has a Tserial of its own, so jobs run on threads of
// their own.
namespace printer {

struct InstallJob {
  SearchPort port;
  std::uint32_t firstRate = 0;  // tried first by the search
  PrinterSettings settings;
  int pauseMs = kSequencePauseMs;
  SendWishes wishes;  // its stop is the job's
};

// Runs the job; every wait ends at the next step once stop answers true.
InstallOutcome RunInstallJob(const InstallJob& job, const StopRequest& stop);

}  // namespace printer
