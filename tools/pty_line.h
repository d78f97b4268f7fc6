#pragma once

#include <cstdint>
#include <span>
#include <string>

// One pseudo-terminal pair in raw mode: the printer holds the master end, a client opens the
// device (the slave end), directly or through a symbolic link. Closing the master end hangs the
// line up: the client's descriptor reports it, unread bytes are lost and the device disappears.
namespace vprinter {

// How the client has set the line up.
struct LineSettings {
  std::uint32_t baud = 0;     // 0 for a rate outside the usual ones, or while closed
  bool eightNoneOne = false;  // 8 data bits, no parity, 1 stop bit
};

class PtyLine {
 public:
  PtyLine() = default;
  ~PtyLine() { Close(); }
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // False when the pair or the link cannot be made. A symlink already at linkPath is replaced;
  // any other file there is left alone and the open fails.
  bool Open(const std::string& linkPath);
  // Closes both ends and removes the link.
  void Close();

  bool IsOpen() const { return masterFd_ >= 0; }
  int MasterFd() const { return masterFd_; }
  // The device a client opens, e.g. /dev/pts/7; empty while closed.
  const std::string& DevicePath() const { return devicePath_; }

  // True once all of bytes are written; false when the line is closed or fails, or when the
  // client's input stays full past the timeout.
  bool Write(std::span<const std::uint8_t> bytes, int timeoutMs) const;
  // Bytes written to the client that it has not read yet.
  int Unread() const;
  // The rate and frame the client last set on the device: both ends share one set of settings.
  LineSettings Settings() const;

 private:
  int masterFd_ = -1;
  int slaveKeepFd_ = -1;  // keeps the device alive between openers
  std::string devicePath_;
  std::string linkPath_;  // made by Open, removed by Close
};

}  // namespace vprinter
