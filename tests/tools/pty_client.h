#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The far side of the virtual printer, on plain POSIX calls, opened the way a serial port is.
class PtyClient {
 public:
  explicit PtyClient(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (fd_ >= 0 && (ioctl(fd_, TIOCEXCL) != 0 || flock(fd_, LOCK_EX | LOCK_NB) != 0)) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~PtyClient() {
    if (fd_ < 0) return;
    ioctl(fd_, TIOCNXCL);
    close(fd_);
  }
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  // Sets the line to speed, 8 data bits, no parity and one stop bit or two.
  bool SetLine(speed_t speed, bool twoStopBits = false) {
    termios settings{};
    if (tcgetattr(fd_, &settings) != 0) return false;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | (twoStopBits ? CSTOPB : 0);
    return cfsetispeed(&settings, speed) == 0 && cfsetospeed(&settings, speed) == 0 &&
           tcsetattr(fd_, TCSANOW, &settings) == 0;
  }

  bool Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t count = write(fd_, bytes.data() + sent, bytes.size() - sent);
      if (count < 0) return false;
      sent += static_cast<std::size_t>(count);
    }
    return true;
  }

  // Up to count bytes, as many as arrive before the timeout or the line hangs up.
  std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    while (got < count && !hungUp_) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      pollfd entry{fd_, POLLIN, 0};
      if (poll(&entry, 1, static_cast<int>(left)) <= 0) continue;
      const ssize_t n = read(fd_, bytes.data() + got, count - got);
      if (n > 0) got += static_cast<std::size_t>(n);
      // Readable with nothing to read, or an error: the far end has closed.
      hungUp_ = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
    }
    bytes.resize(got);
    return bytes;
  }

  bool HungUp() const { return hungUp_; }

 private:
  int fd_;
  bool hungUp_ = false;
};
