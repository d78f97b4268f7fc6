#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "command_decoder.h"

// A printer on the far end of a pseudo-terminal: answers the identify command, records and
// decodes everything it receives. Runs on its own thread so a caller can block on the port.
namespace vprinter {

using Reply = std::array<std::uint8_t, 32>;

// The reply of a printer reporting name: the name from byte 0, padded with 0 bytes.
Reply ReplyForModel(std::string_view name);

struct Options {
  Reply reply{};
  bool silent = false;        // never answer
  int shortLength = -1;       // answer only this many bytes of the reply
  int stopAfter = -1;         // go silent after this many identify commands
  std::string linkPath;       // also make a symlink to the device here
  std::string logPath;        // JSON lines: every received chunk with its arrival time
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

  // Opens the pty pair in raw mode and starts answering; false when the pty cannot be made.
  bool Start();
  void Stop();

  // The device a serial port opens to reach this printer, e.g. /dev/pts/7.
  const std::string& DevicePath() const { return devicePath_; }

  std::vector<ReceivedChunk> Chunks() const;
  std::vector<std::uint8_t> Received() const;
  std::vector<DecodedCommand> Commands() const;
  int IdentifyCount() const;
  void ClearReceived();
  // Waits until at least byteCount bytes have arrived; false at the timeout.
  bool WaitForReceived(std::size_t byteCount, int timeoutMs) const;

  // Called on the printer's thread for each command as it is decoded.
  void SetCommandListener(std::function<void(const DecodedCommand&)> listener);

 private:
  void Run();

  Options options_;
  int masterFd_ = -1;
  int slaveKeepFd_ = -1;  // keeps the pty alive between openers
  std::string devicePath_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  int wakePipe_[2] = {-1, -1};

  mutable std::mutex mutex_;
  mutable std::condition_variable received_;
  std::vector<ReceivedChunk> chunks_;
  std::vector<DecodedCommand> commands_;
  std::size_t receivedBytes_ = 0;
  int identifyCount_ = 0;
  CommandDecoder decoder_;
  std::function<void(const DecodedCommand&)> listener_;
};

}  // namespace vprinter
