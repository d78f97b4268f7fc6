#include "session.h"

#include <algorithm>
#include <thread>

#include "identify.h"
#include "serial_deadline.h"
#include "test_page.h"

namespace printer {

ConnectResult Session::Connect(const std::string& device, std::uint32_t rate) {
  Disconnect();
  device_ = device;
  rate_ = rate;
  model_.clear();
  family_ = kNoFamily;
  ConnectResult result;
  // Without a device or a rate there is nothing to open, and no reason to give.
  if (device.empty() || rate == 0) return result;
  if (!serial_.OpenDevice(device, rate)) {
    result.openError = serial_.LastOpenError();
    return result;
  }
  const IdentifyResult reply = AskModel(serial_);
  result.model = reply.model;
  result.family = reply.family;
  // A silent or unknown printer's port is released, so that other programs can use it.
  if (!reply.answered || reply.family == kNoFamily) {
    serial_.Close();
    result.outcome = reply.answered ? ConnectOutcome::Unsupported : ConnectOutcome::NoAnswer;
    return result;
  }
  connected_ = true;
  rateSetByServer_ = serial_.RateSetByServer();
  model_ = reply.model;
  family_ = reply.family;
  result.outcome = ConnectOutcome::Connected;
  return result;
}

void Session::Disconnect() {
  serial_.Close();
  connected_ = false;
}

SettingsSequence Session::SendPlan(int family, const PrinterSettings& settings, int pauseMs) {
  return WithLivenessCheck(BuildSettingsSequence(family, settings, pauseMs));
}

SettingsSequence Session::TestPagePlan(const std::string& model, const PrinterSettings& settings,
                                       InterfaceLanguage language) {
  return BuildTestPage(model, settings, LabelsOf(settings, Classify(model)), language);
}

SendOutcome Session::Send(const PrinterSettings& settings, const SendHooks& hooks, int pauseMs) {
  return Run(SendPlan(Family(), settings, pauseMs), hooks);
}

SendOutcome Session::PrintTestPage(const PrinterSettings& settings, InterfaceLanguage language,
                                   const SendHooks& hooks) {
  return Run(TestPagePlan(model_, settings, language), hooks);
}

SendOutcome Session::Run(const SettingsSequence& steps, const SendHooks& hooks) {
  return RunSteps(serial_, steps, hooks);
}

bool Session::ConfirmModel() {
  const IdentifyResult again = AskModel(serial_);
  return again.answered && again.model == model_;
}

RateChangeAfterSend Session::RateChangeAfter(const PrinterSettings& sent) const {
  RateChangeAfterSend after;
  after.oldRate = rate_;
  if (Family() != kDipFamily) return after;
  after.newRate = BaudRateOf(sent.newBaud);
  // Without a new rate chosen the printer keeps the one it has.
  if (after.newRate == 0 || after.newRate == rate_) return after;
  // Behind a raw TCP port the line's rate is the device server's: the printer cannot be
  // followed to its new one until the server is set to it too.
  after.change = rateSetByServer_ ? RateChange::SetDeviceServer : RateChange::WaitForRestart;
  return after;
}

bool SleepUnlessStopped(std::chrono::milliseconds time, const StopRequest& stop) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point until = Clock::now() + time;
  const std::chrono::milliseconds slice(kWaitSliceMs);
  for (;;) {
    if (stop && stop()) return false;
    const Clock::time_point now = Clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(until - now, slice));
  }
}

}  // namespace printer
