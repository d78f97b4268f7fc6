#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Tserial;

// The printer settings a send carries, as list indices (-1: nothing selected, sent as 0xFF).
// The same value serves a send from the window, a settings file and the command line.
namespace printer {

struct PrinterSettings {
  int intensity = 3;
  int speed = 0;
  int country = 0;
  int codePage = 0;
  int newBaud = 7;
  int autoCutter = 1;
  int paper = 1;
  int protocol = 0;
  int commandSet = 0;
  int esct = 0;

  bool operator==(const PrinterSettings&) const = default;
};

// One write of the settings sequence. Before the bytes go out the progress bar may get a new
// maximum (and restart at 0); after them and the pause it shows `progress`. A step marked
// `always` goes out also after a stop, while the port is open, so that a stopped run leaves the
// printer as it found it. A step marked `asksModel` is the identify query: the printer must
// answer it before the next step goes out.
struct SequenceStep {
  static constexpr int kKeep = -1;     // the bar keeps its maximum, or its position
  static constexpr int kFull = -2;     // the bar goes to its maximum
  static constexpr int kRestart = -3;  // the bar keeps its maximum and restarts at 0

  std::vector<std::uint8_t> bytes;
  int pauseMs = 0;
  int progressMaximum = kKeep;
  int progress = kKeep;
  std::string what;  // in words, for a log: "settings block", "DIP switch 3 = 1", ...
  bool always = false;
  bool asksModel = false;

  bool operator==(const SequenceStep&) const = default;
};

using SettingsSequence = std::vector<SequenceStep>;

// The pause the printer needs after the settings end and after each DIP switch.
inline constexpr int kSequencePauseMs = 1500;

// Everything that follows the liveness check, for a printer of the given family: the settings
// block, the settings end, for the DIP family its switches, and the closing command.
SettingsSequence BuildSettingsSequence(int family, const PrinterSettings& settings,
                                       int pauseMs = kSequencePauseMs);

// The liveness check, then the steps: before a send the printer must still answer. The bar
// restarts at 0 for the check and shows 1 after it.
SettingsSequence WithLivenessCheck(SettingsSequence steps);

enum class SendOutcome {
  Complete,  // every step went out
  NoAnswer,  // the printer missed the liveness check
  LineLost,  // the open port stopped taking bytes (a cable pulled mid-send)
  Stopped,   // a stop request, or the port closed by its owner, ended the send
};

struct SendHooks {
  // Shows the bar: a new maximum (SequenceStep::kKeep: unchanged) and a position (kFull: the
  // maximum).
  std::function<void(int maximum, int position)> progress;
  // Waits the pause; false when the send is to stop.
  std::function<bool(int ms)> pause;
  // True when the send is to stop before its next step.
  std::function<bool()> stopRequested;
  // After the bytes of the step at this index went out, before its pause.
  std::function<void(std::size_t index)> stepSent;
};

// The steps in order with their pauses and progress; NoAnswer only where a step that asks for
// the model got no answer (a closed port included). After a stop the steps marked always that
// are left still go out, without pauses or progress, and the run is Stopped. Every hook may be
// empty.
SendOutcome RunSteps(Tserial& serial, const SettingsSequence& steps, const SendHooks& hooks);

}  // namespace printer
