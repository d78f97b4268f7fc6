#include "settings_sequence.h"

#include <array>

#include "identify.h"
#include "printer.h"
#include "serial.h"

namespace printer {
namespace {

template <std::size_t N>
std::vector<std::uint8_t> Bytes(const std::array<std::uint8_t, N>& command) {
  return {command.begin(), command.end()};
}

}  // namespace

SettingsSequence BuildSettingsSequence(int family, const PrinterSettings& settings, int pauseMs) {
  SettingsSequence steps;
  steps.push_back({Bytes(EncodeSettingsBlock(settings.intensity, settings.speed, settings.country,
                                             settings.codePage)),
                   0, SequenceStep::kKeep, SequenceStep::kKeep, "settings block"});
  steps.push_back({Bytes(EncodeSettingsEnd()), pauseMs, SequenceStep::kKeep, 2, "settings end"});

  if (family == kDipFamily) {
    std::vector<std::pair<int, int>> switches;
    // Without a new rate chosen the printer keeps the one it has.
    if (BaudRateOf(settings.newBaud) != 0) {
      const std::array<int, 3> bits = DipBaudBits(settings.newBaud);
      for (int bit = 0; bit < 3; ++bit) switches.emplace_back(bit + 1, bits[bit]);
    }
    for (const auto& dip : std::array<std::pair<int, int>, 5>{{{4, settings.protocol},
                                                               {5, settings.commandSet},
                                                               {6, settings.esct},
                                                               {7, settings.autoCutter},
                                                               {8, settings.paper}}}) {
      switches.push_back(dip);
    }
    int position = 0;
    for (const auto& [number, value] : switches) {
      ++position;
      steps.push_back(
          {Bytes(EncodeDipSwitch(number, value)), pauseMs,
           position == 1 ? kDipSwitchCount : SequenceStep::kKeep, position,
           "DIP switch " + std::to_string(number) + " = " + std::to_string(ParameterByte(value))});
    }
  }
  steps.push_back(
      {Bytes(EncodeClosing()), 0, SequenceStep::kKeep, SequenceStep::kFull, "closing command"});
  return steps;
}

SettingsSequence WithLivenessCheck(SettingsSequence steps) {
  SequenceStep check{Bytes(EncodeIdentify()), 0, SequenceStep::kRestart, 1, "liveness check"};
  check.asksModel = true;
  steps.insert(steps.begin(), std::move(check));
  return steps;
}

namespace {

// The steps marked always from `from` on, each written whole: the stop that ended the run does
// not end these writes.
void RunAlwaysSteps(Tserial& serial, const SettingsSequence& steps, std::size_t from) {
  const Tserial::WaitHook hook = serial.GetWaitHook();
  serial.SetWaitHook({});
  for (std::size_t index = from; index < steps.size() && serial.IsOpen(); ++index) {
    const SequenceStep& step = steps[index];
    if (step.always)
      serial.Write(step.bytes.data(), static_cast<int>(step.bytes.size()), kTimeoutMs);
  }
  serial.SetWaitHook(hook);
}

}  // namespace

SendOutcome RunSteps(Tserial& serial, const SettingsSequence& steps, const SendHooks& hooks) {
  const auto stopRequested = [&hooks] { return hooks.stopRequested && hooks.stopRequested(); };
  const auto stopped = [&](std::size_t next) {
    RunAlwaysSteps(serial, steps, next);
    return SendOutcome::Stopped;
  };
  for (std::size_t index = 0; index < steps.size(); ++index) {
    const SequenceStep& step = steps[index];
    // A question on a closed port goes unanswered: the printer is lost, not the send stopped.
    if (stopRequested() || (!step.asksModel && !serial.IsOpen())) return stopped(index);
    if (step.progressMaximum != SequenceStep::kKeep && hooks.progress) {
      hooks.progress(step.progressMaximum == SequenceStep::kRestart ? SequenceStep::kKeep
                                                                    : step.progressMaximum,
                     0);
    }
    if (step.asksModel) {
      if (!AskModel(serial, step.bytes).answered) {
        return stopRequested() ? stopped(index + 1) : SendOutcome::NoAnswer;
      }
    } else {
      const int length = static_cast<int>(step.bytes.size());
      if (serial.Write(step.bytes.data(), length, kTimeoutMs) != length) {
        // A port its owner closed during the write is a stop, not a lost line.
        if (serial.IsOpen() && !stopRequested()) return SendOutcome::LineLost;
        return stopped(index + 1);
      }
    }
    if (hooks.stepSent) hooks.stepSent(index);
    if (step.pauseMs > 0 && hooks.pause && !hooks.pause(step.pauseMs)) return stopped(index + 1);
    if (step.progress != SequenceStep::kKeep && hooks.progress) {
      hooks.progress(SequenceStep::kKeep, step.progress);
    }
  }
  return SendOutcome::Complete;
}

}  // namespace printer
