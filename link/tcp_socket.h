#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "serial_deadline.h"

// One non-blocking TCP connection, on POSIX sockets or Winsock. Every wait lasts one slice at
// most, so that the caller can run its wait hook between slices.
class TcpSocket {
 public:
  enum class Connected { Yes, NoSuchHost, Refused, NoAnswer, Stopped, Other };
  enum class Waited { Ready, TimedOut, Gone };

  TcpSocket() = default;
  ~TcpSocket() { Close(); }
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  // Tries each address of host in turn until one connects or the deadline passes; keepWaiting
  // runs between slices and ends the try with Stopped when it returns false. systemError is
  // the error of the last address tried.
  Connected Connect(const std::string& host, const std::string& port,
                    const SerialDeadline& deadline, const std::function<bool()>& keepWaiting,
                    int& systemError);
  void Close();
  bool IsOpen() const { return handle_ != kNone; }

  // Bytes moved; 0 when nothing can move now; -1 when the connection is gone (the peer
  // closed it, or it broke).
  int Send(std::span<const std::uint8_t> bytes);
  int Receive(std::span<std::uint8_t> buffer);
  // Waits until the socket can be read (or written), at most one slice and never past the
  // deadline.
  Waited WaitFor(bool writable, const SerialDeadline& deadline) const;

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;
};
