#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "identify_try.h"
#include "interface_language.h"
#include "printer.h"
#include "serial.h"
#include "settings_sequence.h"

// What the window and the command line both do to a printer: connect to a device at a rate,
// send settings, run the test page's and other pages' steps, and tell what a send did to the
// printer's rate. The session holds the connected device, rate, model and family; nothing else
// does.
namespace printer {

enum class ConnectOutcome {
  Connected,    // a supported printer answered; the port stays open
  CannotOpen,   // the port did not open at the rate (openError says why); nothing to close
  NoAnswer,     // no whole reply in time; the port is closed again
  Unsupported,  // a name not in the model table (model); the port is closed again
};

struct ConnectResult {
  ConnectOutcome outcome = ConnectOutcome::CannotOpen;
  OpenError openError;
  std::string model;  // the name the reply carries, trimmed
  int family = kNoFamily;
};

// What a send of some settings means for the line once it is done.
enum class RateChange {
  None,             // the printer goes on at the connection's rate
  WaitForRestart,   // it takes newRate once it is switched off and on
  SetDeviceServer,  // its rate changes, but the line's rate is the device server's to set
};

struct RateChangeAfterSend {
  RateChange change = RateChange::None;
  std::uint32_t newRate = 0;
  std::uint32_t oldRate = 0;
};

class Session {
 public:
  // The caller's channel; it keeps its wait hook and device resolver.
  explicit Session(Tserial& serial) : serial_(serial) {}

  // Opens device at rate and asks the printer for its name. An open session is disconnected
  // first. No device or a rate of 0 opens nothing.
  ConnectResult Connect(const std::string& device, std::uint32_t rate);
  // Closes the port, whether or not a printer was connected on it.
  void Disconnect();

  bool IsConnected() const { return connected_; }
  // The device, rate, model and family of the connection; of the last one once it has ended,
  // so that a wait for the printer knows where to look.
  const std::string& Device() const { return device_; }
  std::uint32_t Rate() const { return rate_; }
  const std::string& Model() const { return model_; }
  int Family() const { return connected_ ? family_ : kNoFamily; }

  // What Send writes to a printer of a family: the liveness check, then the settings sequence.
  // Needs no connection, so that a plan can be shown before anything is sent.
  static SettingsSequence SendPlan(int family, const PrinterSettings& settings,
                                   int pauseMs = kSequencePauseMs);
  // What PrintTestPage writes to a printer of a model.
  static SettingsSequence TestPagePlan(const std::string& model, const PrinterSettings& settings,
                                       InterfaceLanguage language);

  // The send plan of the connected family. A printer that stopped answering stays connected
  // here: the caller reports it and drops the connection.
  SendOutcome Send(const PrinterSettings& settings, const SendHooks& hooks,
                   int pauseMs = kSequencePauseMs);
  // The test page plan of the connected model, in an interface language.
  SendOutcome PrintTestPage(const PrinterSettings& settings, InterfaceLanguage language,
                            const SendHooks& hooks);
  // Steps as they are, without a liveness check.
  SendOutcome Run(const SettingsSequence& steps, const SendHooks& hooks);
  // Asks the connected printer for its name again: true when the same model answers.
  bool ConfirmModel();

  // Whether a completed send of these settings moved the printer to another rate.
  RateChangeAfterSend RateChangeAfter(const PrinterSettings& sent) const;

 private:
  Tserial& serial_;
  bool connected_ = false;
  std::string device_;
  std::uint32_t rate_ = 0;
  std::string model_;
  int family_ = kNoFamily;
  bool rateSetByServer_ = false;
};

// Sleeps for the time given in slices short enough to notice a stop request; false when one
// came. The pauses of the command line and the rounds of the restart wait take it.
bool SleepUnlessStopped(std::chrono::milliseconds time, const StopRequest& stop);

}  // namespace printer
