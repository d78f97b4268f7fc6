#pragma once

#include <functional>

#include "settings_sequence.h"

class QEventLoop;
class QProgressBar;

// A run of steps on the window's printer that keeps the window alive: the progress goes to the
// window's bar with the events handed to the loop, the pauses paint and take clicks, and a stop
// (a disconnect, the window closing) ends the run at its next step and its pause at once.
class PumpedSend {
 public:
  using Steps = std::function<printer::SendOutcome(const printer::SendHooks& hooks)>;

  // closed says whether the window has closed, which stops a run as Stop does.
  PumpedSend(QProgressBar& progress, std::function<bool()> closed);
  ~PumpedSend() = default;
  PumpedSend(const PumpedSend&) = delete;
  PumpedSend& operator=(const PumpedSend&) = delete;
  PumpedSend(PumpedSend&&) = delete;
  PumpedSend& operator=(PumpedSend&&) = delete;

  // Runs the steps with the pumping hooks; the bar is emptied unless they ran to their end.
  printer::SendOutcome Run(const Steps& steps);
  // Ends a running send at its next step; nothing when none runs.
  void Stop();
  // A stop was asked for the send running now, or the window has closed.
  bool StopRequested() const { return stop_ || closed_(); }
  // Stop was called while the send runs, and it has not yet returned.
  bool Stopping() const { return stop_; }

 private:
  // Waits the full pause while the window goes on repainting and handling input; false when the
  // send was stopped meanwhile.
  bool Pause(int ms);

  QProgressBar& progress_;
  std::function<bool()> closed_;
  bool running_ = false;
  bool stop_ = false;
  QEventLoop* pauseLoop_ = nullptr;
};
