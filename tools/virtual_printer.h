#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "command_decoder.h"
#include "paper.h"
#include "pty_line.h"

// A printer on the far end of a pseudo-terminal: answers the identify command, records and
// decodes everything it receives, and on request misbehaves the way real lines do. Runs on its
// own thread so a caller can block on the port.
namespace vprinter {

// The printer's records hold the commands as the shared decoder reads them.
using printer::CommandDecoder;
using printer::CommandKind;
using printer::DecodedCommand;

using Reply = std::array<std::uint8_t, 32>;

// The reply of a printer reporting name: the name from byte 0, padded with 0 bytes (cut to 32).
Reply ReplyForModel(std::string_view name);

struct Options {
  Reply reply{};
  bool silent = false;     // never answer
  bool neverRead = false;  // never read: the client's writes fill the line's queue, then block
  int shortLength = -1;    // answer only this many bytes of the reply (0..32)
  int stopAfter = -1;      // answer only the first this many identify commands, then go silent

  // The answer to an identify is beforeReply, the reply and afterReply, sent in this many pieces
  // of about equal size with pieceDelayMs between them.
  std::vector<std::uint8_t> beforeReply;  // garbage ahead of the reply
  std::vector<std::uint8_t> afterReply;   // bytes that go on arriving after it
  int pieces = 1;
  int pieceDelayMs = 0;

  // The line hangs up (as when an adapter is pulled out) once this many bytes of the first
  // answer are out, or once this many commands have been handled; each at most once per Start.
  // A client that reads gets what was sent before the line drops.
  int hangUpAfterBytes = -1;
  int hangUpAfterCommands = -1;
  // A new device appears (at linkPath) this long after any hang-up; -1: only at PlugIn.
  int backAfterMs = -1;

  // Answer only while the client has set the line to this rate and 8N1; bytes arriving at
  // another rate or frame are recorded but not read, as framing errors. 0: any rate and frame.
  std::uint32_t baud = 0;

  std::string linkPath;  // also make a symlink to the device here (a symlink already there is
                         // replaced, any other file is left alone and Start fails)
  std::string logPath;   // JSON lines: every received chunk with its arrival time
  // The printed page as UTF-8 lines (see Paper), written before the bytes count as received.
  std::string paperPath;
};

// What the printer made of a chunk it received.
enum class Reception {
  Read,              // decoded, and answered where asked
  OtherRateOrFrame,  // the line was not at the printer's rate and 8N1: garbled, not decoded
  PoweredOff,        // during a power cycle: not decoded
};

struct ReceivedChunk {
  std::int64_t millis = 0;  // since Start, on a monotonic clock
  std::vector<std::uint8_t> bytes;
  std::uint32_t baud = 0;  // the rate the client had set on the line (0: an unusual one)
  Reception reception = Reception::Read;
};

class VirtualPrinter {
 public:
  explicit VirtualPrinter(Options options = {});
  ~VirtualPrinter();
  VirtualPrinter(const VirtualPrinter&) = delete;
  VirtualPrinter& operator=(const VirtualPrinter&) = delete;

  // Opens the pty pair in raw mode and starts answering; false when the pty, the link or the
  // log cannot be made. A printer that runs already stays as it is and returns true.
  bool Start();
  // Stops answering, closes the pty and removes the link; the record stays readable.
  void Stop();

  // The device a serial port opens to reach this printer, e.g. /dev/pts/7; after a hang-up the
  // one that has gone, after a plug-in the new one.
  std::string DevicePath() const;

  // Switches answering off or on while running (a printer switched off and on again).
  void SetSilent(bool silent);
  // The rate the printer reads and answers at; 0: any rate and frame.
  std::uint32_t LineBaud() const { return lineBaud_; }
  void SetLineBaud(std::uint32_t baud) { lineBaud_ = baud; }
  // Stops or resumes reading: while the printer does not read, the client's writes fill the
  // line's queue and then block.
  void SetReading(bool reading);
  // Sends bytes unasked (an XOFF, noise on a stale line); true once they wait in the client's
  // input. False when the printer does not run or its line is down.
  bool Send(std::span<const std::uint8_t> bytes);

  // Switches the printer off now and on again offMs later, on its own thread; returns once it
  // is off. Off, it records what arrives but neither decodes nor answers. It comes back at the
  // rate its DIP switches 1..3 select when all three were received since the last power cycle,
  // else at the rate it had. False when the printer does not run.
  bool PowerCycle(int offMs);
  bool IsPoweredOn() const;
  // Wait until the printer is on (true) or off (false); false at the timeout.
  bool WaitForPoweredOn(bool poweredOn, int timeoutMs) const;

  // Hangs the line up now: the device and the link disappear, unread bytes are lost. PlugIn
  // makes a new device, reached at the same link. Both return once done; false when the
  // printer does not run or the device cannot be made. Not for use from a listener.
  bool HangUp();
  bool PlugIn();
  bool IsPluggedIn() const;
  // Wait until the line is up (true) or down (false); false at the timeout.
  bool WaitForPluggedIn(bool pluggedIn, int timeoutMs) const;

  // What arrived since Start or the last ClearReceived.
  std::vector<ReceivedChunk> Chunks() const;
  std::vector<std::uint8_t> Received() const;
  std::vector<DecodedCommand> Commands() const;
  int IdentifyCount() const;
  void ClearReceived();
  // Wait until at least this many bytes or commands have arrived; false at the timeout.
  bool WaitForReceived(std::size_t byteCount, int timeoutMs) const;
  bool WaitForCommands(std::size_t commandCount, int timeoutMs) const;

  // Called on the printer's thread for each chunk as it arrives, before its commands.
  void SetChunkListener(std::function<void(const ReceivedChunk&)> listener);
  // Called on the printer's thread for each command as it is decoded, after any reply.
  void SetCommandListener(std::function<void(const DecodedCommand&)> listener);
  // Called on the printer's thread with the new device after a plug-in, with an empty path
  // after a hang-up.
  void SetLineListener(std::function<void(const std::string& devicePath)> listener);
  // Called on the printer's thread when it goes off (false) and comes back on (true).
  void SetPowerListener(std::function<void(bool poweredOn)> listener);

 private:
  enum class RequestKind { HangUp, PlugIn, Send, PowerCycle };
  struct Request {
    RequestKind kind = RequestKind::Send;
    std::vector<std::uint8_t> bytes;
    int offMs = 0;
    std::promise<bool> done;
  };

  bool Ask(RequestKind kind, std::span<const std::uint8_t> bytes = {}, int offMs = 0);
  void Run();
  int MillisUntilDue() const;
  void ServeRequests();
  bool SendNow(std::span<const std::uint8_t> bytes);
  void HandleChunk(std::span<const std::uint8_t> bytes);
  Reception Receive(const LineSettings& settings) const;
  void Handle(const DecodedCommand& command);
  bool ShouldAnswer();
  void SendAnswer();
  void Linger();
  void HangUpLine();
  bool PlugInLine();
  void LineChanged();
  void PowerOff(int offMs);
  void PowerOn();
  void PowerChanged(bool poweredOn);
  bool Pause(int ms);
  void Nudge();
  void WriteLog(const ReceivedChunk& chunk);
  void WritePaper(const std::vector<DecodedCommand>& commands);
  void Release();

  Options options_;
  int family_;  // of the model the reply names
  std::ofstream log_;
  std::ofstream paperFile_;
  std::chrono::steady_clock::time_point startTime_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> silent_{false};
  std::atomic<bool> reading_{true};
  std::atomic<std::uint32_t> lineBaud_{0};
  int wakePipe_[2] = {-1, -1};

  // Used by the printer's thread only while it runs.
  PtyLine line_;
  CommandDecoder decoder_;
  Paper paper_;
  int identifiesSeen_ = 0;
  int commandsHandled_ = 0;
  bool answeredBefore_ = false;
  std::optional<std::chrono::steady_clock::time_point> plugInDue_;
  std::optional<std::chrono::steady_clock::time_point> powerOnDue_;  // set while off
  // DIP switches 1..3 received since the last power cycle.
  std::array<std::optional<bool>, 3> baudSwitches_{};

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool running_ = false;
  std::deque<Request> requests_;
  std::string devicePath_;
  bool pluggedIn_ = false;
  bool poweredOn_ = true;
  std::vector<ReceivedChunk> chunks_;
  std::vector<DecodedCommand> commands_;
  std::size_t receivedBytes_ = 0;
  int identifyCount_ = 0;
  std::function<void(const ReceivedChunk&)> chunkListener_;
  std::function<void(const DecodedCommand&)> commandListener_;
  std::function<void(const std::string&)> lineListener_;
  std::function<void(bool)> powerListener_;
};

}  // namespace vprinter
