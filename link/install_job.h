#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "identify_try.h"
#include "install_slip.h"
#include "interface_language.h"
#include "printer_search.h"
#include "settings_sequence.h"

// One printer of a batch, start to end on its own port: find it, send the settings for the
// family it reports, ask its model again, print the slip where asked, and follow a power cycle
// where asked. Each job has a Tserial of its own, so jobs run on threads of their own.
namespace printer {

struct InstallJob {
  SearchPort port;
  std::uint32_t firstRate = 0;  // tried first by the search
  PrinterSettings settings;
  int pauseMs = kSequencePauseMs;
  bool waitForRestart = false;
  bool printSlip = false;
  SlipFacts slip;  // dateTime, settingsFile and settingsSha256; the rest is filled in here
  InterfaceLanguage language = InterfaceLanguage::English;
  std::chrono::milliseconds restartLimit{120000};
};

enum class InstallResult {
  Configured,     // sent and confirmed (after the power cycle, when one was followed)
  RestartNeeded,  // sent and confirmed; the new rate waits for a power cycle
  NoPrinter,      // nothing answered at any rate
  Unsupported,    // a printer whose model is not in the table
  CannotOpen,     // the port would not open
  NotProbed,      // the console, or held by another program: never opened
  Failed,         // the send or the confirmation went wrong; see InstallFailure
};

enum class InstallFailure {
  None,
  NoAnswerAtSend,     // silent at the liveness check
  LineLost,           // the port stopped taking bytes
  Stopped,            // a stop request
  NotConfirmed,       // silent, or another model, when asked again after the send
  OldRateKept,        // came back from the power cycle at the old rate
  NoAnswerAfterWait,  // did not come back at the new rate in time
};

struct InstallOutcome {
  InstallResult result = InstallResult::NoPrinter;
  InstallFailure failure = InstallFailure::None;
  std::string model;
  int family = kNoFamily;
  std::uint32_t rateBefore = 0;
  std::uint32_t rateAfter = 0;  // where the printer answers now, or will after its power cycle
  OpenError openError;          // for CannotOpen and NotProbed
  bool stopped = false;         // a stop request ended the job
};

// Runs the job; every wait ends at the next step once stop answers true.
InstallOutcome RunInstallJob(const InstallJob& job, const StopRequest& stop);

}  // namespace printer
