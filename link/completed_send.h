#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "identify_try.h"
#include "install_slip.h"
#include "interface_language.h"
#include "restart_wait.h"
#include "session.h"
#include "settings_sequence.h"

// What follows a send of settings, the same for the window, apply and batch: the outcome the
// install log records, the model asked again, the slip, and the wait for a printer that takes its
// new rate only once it is switched off and on. The callers differ in what they wish done and in
// how they show the outcome.
namespace printer {

enum class InstallResult {
  Configured,     // sent (and confirmed, and followed through its power cycle, where asked)
  RestartNeeded,  // sent; the new rate waits for a power cycle, or for the device server
  NoPrinter,      // nothing answered at any rate
  Unsupported,    // a printer whose model is not in the table
  CannotOpen,     // the port would not open
  NotProbed,      // the console, or held by another program: never opened
  Failed,         // the send or what followed it went wrong; see InstallFailure
};

enum class InstallFailure {
  None,
  NoAnswerAtSend,     // silent at the liveness check
  LineLost,           // the port stopped taking bytes, or the printer answering, during a send
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
  RateChange rateChange = RateChange::None;  // what the send did to the printer's rate
  OpenError openError;                       // for CannotOpen and NotProbed
  bool stopped = false;                      // a stop request ended the job
};

// A failed outcome; a stop request makes any failure Stopped.
InstallOutcome FailedWith(InstallOutcome outcome, InstallFailure failure, bool stopped);

// What a job wants done once its settings are sent.
struct SendWishes {
  bool confirmModel = false;  // ask the model again: the model connected must answer
  bool printSlip = false;
  SlipFacts slip;  // dateTime, port, settingsFile and settingsSha256; the rest is filled in here
  InterfaceLanguage language = InterfaceLanguage::English;  // of the slip
  bool followRestart = false;  // wait for the power cycle a new rate needs, up to restartLimit
  std::chrono::milliseconds restartLimit = kRestartLimit;
  // Runs the slip's steps on the session with the caller's progress and stop; Session::Run with
  // the stop request alone when empty.
  std::function<SendOutcome(const SettingsSequence& steps)> run;
  // Ends the confirmation, the slip and the restart wait at their next step.
  StopRequest stop;
};

// The outcome of a send of settings that ended as `sent`, and of what the wishes add to a
// complete one. The session is left connected, except where a restart was followed: the wait
// needs the port.
InstallOutcome CompleteSend(Session& session, const PrinterSettings& settings, SendOutcome sent,
                            const SendWishes& wishes);

}  // namespace printer
