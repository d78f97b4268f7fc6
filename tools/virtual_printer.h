#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "command_decoder.h"

// A printer on the far end of a pseudo-terminal: answers the identify command, records and
// decodes everything it receives. Runs on its own thread so a caller can block on the port.
namespace vprinter {

using Reply = std::array<std::uint8_t, 32>;

// The reply of a printer reporting name: the name from byte 0, padded with 0 bytes (cut to 32).
Reply ReplyForModel(std::string_view name);

struct Options {
  Reply reply{};
  bool silent = false;   // never answer
  int shortLength = -1;  // answer only this many bytes of the reply (0..32)
  int stopAfter = -1;    // answer only the first this many identify commands, then go silent
  std::string linkPath;  // also make a symlink to the device here (a symlink already there is
                         // replaced, any other file is left alone and Start fails)
  std::string logPath;   // JSON lines: every received chunk with its arrival time
};

struct ReceivedChunk {
  std::int64_t millis = 0;  // since Start, on a monotonic clock
  std::vector<std::uint8_t> bytes;
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

  // The device a serial port opens to reach this printer, e.g. /dev/pts/7.
  const std::string& DevicePath() const { return devicePath_; }

  // Switches answering off or on while running (a printer switched off and on again).
  void SetSilent(bool silent);

  // What arrived since Start or the last ClearReceived.
  std::vector<ReceivedChunk> Chunks() const;
  std::vector<std::uint8_t> Received() const;
  std::vector<DecodedCommand> Commands() const;
  int IdentifyCount() const;
  void ClearReceived();
  // Wait until at least this many bytes or commands have arrived; false at the timeout.
  bool WaitForReceived(std::size_t byteCount, int timeoutMs) const;
  bool WaitForCommands(std::size_t commandCount, int timeoutMs) const;

  // Called on the printer's thread for each command as it is decoded, after any reply.
  void SetCommandListener(std::function<void(const DecodedCommand&)> listener);

 private:
  void Run();
  void HandleChunk(std::span<const std::uint8_t> bytes);
  bool ShouldAnswer();
  void SendReply();
  void WriteLog(const ReceivedChunk& chunk);
  void WaitForWake(int timeoutMs);
  void Release();

  Options options_;
  int masterFd_ = -1;
  int slaveKeepFd_ = -1;  // keeps the pty alive between openers
  std::string devicePath_;
  bool linkMade_ = false;
  std::ofstream log_;
  std::chrono::steady_clock::time_point startTime_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> silent_{false};
  int wakePipe_[2] = {-1, -1};

  // Used by the printer's thread only.
  CommandDecoder decoder_;
  int identifiesSeen_ = 0;

  mutable std::mutex mutex_;
  mutable std::condition_variable received_;
  std::vector<ReceivedChunk> chunks_;
  std::vector<DecodedCommand> commands_;
  std::size_t receivedBytes_ = 0;
  int identifyCount_ = 0;
  std::function<void(const DecodedCommand&)> listener_;
};

}  // namespace vprinter
