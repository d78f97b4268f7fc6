#include "pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "raw_line.h"

namespace vprinter {

namespace {

// A fresh pty echoes, edits lines, maps CR to LF and obeys XON/XOFF; the printer wants none of it.
bool SetRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  MakeRaw(settings);
  return tcsetattr(fd, TCSANOW, &settings) == 0;
}

constexpr std::array<std::pair<speed_t, std::uint32_t>, 20> kRates = {{
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
}};

std::uint32_t RateOf(speed_t speed) {
  for (const auto& [constant, rate] : kRates) {
    if (constant == speed) return rate;
  }
  return 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

bool PtyLine::Open(const std::string& linkPath) {
  if (IsOpen()) return true;
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128];
  bool ready = masterFd_ >= 0 && grantpt(masterFd_) == 0 && unlockpt(masterFd_) == 0 &&
               ptsname_r(masterFd_, name, sizeof name) == 0;
  if (ready) {
    devicePath_ = name;
    // Opened before any client, so a client's exclusive mode does not shut this one out.
    slaveKeepFd_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ready = slaveKeepFd_ >= 0 && SetRaw(slaveKeepFd_) && SetRaw(masterFd_) &&
            fcntl(masterFd_, F_SETFL, fcntl(masterFd_, F_GETFL) | O_NONBLOCK) == 0;
  }
  if (ready && !linkPath.empty()) {
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
      unlink(linkPath.c_str());
    }
    ready = symlink(devicePath_.c_str(), linkPath.c_str()) == 0;
    if (ready) linkPath_ = linkPath;
  }
  if (!ready) Close();
  return ready;
}

void PtyLine::Close() {
  if (!linkPath_.empty()) unlink(linkPath_.c_str());
  linkPath_.clear();
  CloseFd(slaveKeepFd_);
  CloseFd(masterFd_);
  devicePath_.clear();
}

bool PtyLine::Write(std::span<const std::uint8_t> bytes, int timeoutMs) const {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (!IsOpen() || Clock::now() >= deadline) return false;
    const ssize_t count = write(masterFd_, bytes.data() + sent, bytes.size() - sent);
    if (count > 0) {
      sent += static_cast<std::size_t>(count);
    } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else {
      // The client's input queue is full: wait for it to read.
      pollfd entry{masterFd_, POLLOUT, 0};
      poll(&entry, 1, 10);
    }
  }
  return true;
}

int PtyLine::Unread() const {
  int count = 0;
  // Both slave descriptors share one input queue, the one the client reads from.
  if (slaveKeepFd_ < 0 || ioctl(slaveKeepFd_, FIONREAD, &count) != 0) return 0;
  return count;
}

LineSettings PtyLine::Settings() const {
  termios settings{};
  if (!IsOpen() || tcgetattr(masterFd_, &settings) != 0) return {};
  // The client transmits at its output rate.
  return {RateOf(cfgetospeed(&settings)), (settings.c_cflag & (CSIZE | PARENB | CSTOPB)) == CS8};
}

}  // namespace vprinter
