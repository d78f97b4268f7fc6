// Tserial on a POSIX terminal device (termios).
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "device_facts.h"
#include "network_port.h"
#include "raw_line.h"
#include "serial.h"
#include "serial_deadline.h"
#include "system_console.h"

namespace {

std::optional<speed_t> SpeedOf(std::uint32_t baudRate) {
  switch (baudRate) {
    case 1200:
      return B1200;
    case 1800:
      return B1800;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return std::nullopt;
  }
}

bool HasSettings(int fd, const termios& wanted) {
  termios actual{};
  if (tcgetattr(fd, &actual) != 0) return false;
  return (actual.c_cflag & (CSIZE | PARENB | CSTOPB)) == CS8 &&
         cfgetispeed(&actual) == cfgetispeed(&wanted) &&
         cfgetospeed(&actual) == cfgetospeed(&wanted);
}

bool ClearDtr(int fd) {
  const int dtr = TIOCM_DTR;
  // A pseudo-terminal has no modem lines.
  return ioctl(fd, TIOCMBIC, &dtr) == 0 || errno == ENOTTY || errno == EINVAL;
}

// Lets go of a descriptor; the exclusive flag is cleared where this open set it, or it outlives
// the descriptor and makes every later open fail.
void CloseExclusive(int fd, bool setExclusive) {
  if (setExclusive) ioctl(fd, TIOCNXCL);
  close(fd);
}

// Whether another opener has made the port exclusive already; false where the system cannot say.
bool IsExclusive(int fd) {
  int exclusive = 0;
  return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

enum class WaitResult { Ready, TimedOut, Gone };

// Waits at most one slice, so that the caller can run its wait hook between slices.
WaitResult WaitFor(int fd, short events, const SerialDeadline& deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, std::min(deadline.RemainingMs(), kWaitSliceMs));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      return WaitResult::Gone;
    }
    return ready == 0 ? WaitResult::TimedOut : WaitResult::Ready;
  }
}

bool IsTransient(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

OpenFailure ReasonOfOpenError(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
      return OpenFailure::NoDevice;
    case EACCES:
    case EPERM:
    case EROFS:
      return OpenFailure::Permission;
    case EBUSY:
      return OpenFailure::Busy;
    case EISDIR:
      return OpenFailure::NotSerial;
    default:
      return OpenFailure::Other;
  }
}

// Puts back the line settings the port had before this open.
void RestoreLine(int fd, const std::array<unsigned char, 64>& saved) {
  termios settings{};
  std::memcpy(&settings, saved.data(), sizeof settings);
  tcsetattr(fd, TCSANOW, &settings);
}

// How long bytes just handed to the driver may still take to leave: the wire time of what an
// adapter's own buffer holds (256 bytes on common USB chips, 10 bits each), and time for the far
// end to take them.
std::uint32_t LeavingMs(int bytes, std::uint32_t baudRate) {
  constexpr int kAdapterBuffer = 256;
  constexpr std::uint32_t kTakeMs = 50;
  const auto bits = static_cast<std::uint32_t>(std::min(bytes, kAdapterBuffer)) * 10 * 1000;
  return (baudRate == 0 ? 0 : bits / baudRate) + kTakeMs;
}

// Whether the driver still holds bytes to send; the queue has no poll event of its own.
bool OutputQueued(int fd) {
  int queued = 0;
  return ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0;
}

}  // namespace

Tserial::Tserial() = default;

Tserial::~Tserial() {
  // The hook's owner may be going away as well: a last wait runs without it.
  waitHook_ = {};
  Close();
}

bool Tserial::IsOpen() const { return handle_ != kInvalidHandle || OnNetwork(); }

bool Tserial::LineGone() const {
  pollfd entry{static_cast<int>(handle_), 0, 0};
  return handle_ != kInvalidHandle && poll(&entry, 1, 0) > 0 &&
         (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

std::string ComDevice(int portNumber, const Tserial::DeviceResolver& map) {
  if (map) {
    std::string path = map(portNumber);
    if (!path.empty()) return path;
  }
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

bool Tserial::OpenDevice(const std::string& device, std::uint32_t baudRate) {
  if (OpenRefused(device)) return false;
  if (IsNetworkAddress(device)) return OpenNetwork(device, baudRate);
  static_assert(sizeof(termios) <= sizeof savedLineSettings_);
  CloseBeforeOpen();
  baudRate_ = baudRate;
  openError_ = {};
  // Says who may open the device, or who holds it, where the system can tell.
  const auto fail = [this, &device](OpenFailure reason, int error, std::string holder = {}) {
    Failed(reason, device, error);
    if (reason == OpenFailure::Permission) openError_.detail = device_facts::GroupOf(device);
    if (reason == OpenFailure::Busy) {
      openError_.detail = holder.empty() ? device_facts::HolderOf(device) : std::move(holder);
    }
    return false;
  };

  // Bytes and line settings sent there would reach the system's own terminal.
  if (system_console::IsConsole(device)) return fail(OpenFailure::Console, 0);
  // Most programs take no lock a second open would meet: the holder is looked for first. The
  // look reads every process's descriptors, so a stop request may end it.
  bool stopped = false;
  const auto keepLooking = [this, &stopped] {
    stopped = openStop_ && openStop_();
    return !stopped;
  };
  if (std::string holder = device_facts::HolderOf(device, keepLooking); !holder.empty()) {
    return fail(OpenFailure::Busy, EBUSY, std::move(holder));
  }
  if (stopped) return fail(OpenFailure::Other, 0);
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(ReasonOfOpenError(errno), errno);
  // TIOCEXCL does not stop root; the lock stops every other opener.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    return fail(OpenFailure::Busy, error);
  }
  const bool setExclusive = !IsExclusive(fd);
  termios settings{};
  if ((setExclusive && ioctl(fd, TIOCEXCL) != 0) || tcgetattr(fd, &settings) != 0) {
    const int error = errno;
    CloseExclusive(fd, setExclusive);
    return fail(error == EBUSY ? OpenFailure::Busy : OpenFailure::NotSerial, error);
  }
  std::memcpy(savedLineSettings_.data(), &settings, sizeof settings);

  // Only a terminal that is there and free can refuse a rate.
  const std::optional<speed_t> speed = SpeedOf(baudRate);
  MakeRaw(settings);
  if (!speed || cfsetispeed(&settings, *speed) != 0 || cfsetospeed(&settings, *speed) != 0 ||
      tcsetattr(fd, TCSANOW, &settings) != 0) {
    const int error = speed ? errno : EINVAL;
    CloseExclusive(fd, setExclusive);
    return fail(OpenFailure::RateRefused, error);
  }
  // tcsetattr succeeds when any part of the change took; a device that refused the rate or the
  // frame is put back as it was. Input left from an earlier connection or noise on the line is
  // dropped, or it would be taken for the next reply.
  const bool rateTaken = HasSettings(fd, settings);
  if (!rateTaken || !ClearDtr(fd) || tcflush(fd, TCIOFLUSH) != 0) {
    const int error = errno;
    RestoreLine(fd, savedLineSettings_);
    CloseExclusive(fd, setExclusive);
    return fail(rateTaken ? OpenFailure::Other : OpenFailure::RateRefused, error);
  }
  handle_ = fd;
  setExclusive_ = setExclusive;
  // Other programs look for a lock file before they open, as this one does.
  lockFile_ = device_facts::TakeLock(device);
  return true;
}

void Tserial::Release() {
  CloseNetwork();
  if (handle_ != kInvalidHandle) {
    const int fd = static_cast<int>(handle_);
    // Output a stop or a deadline left in the queue would hold close for the driver's closing
    // time (30 s on USB serial).
    if (OutputQueued(fd)) {
      tcflush(fd, TCOFLUSH);
    } else {
      // The last bytes leave at the rate they were written, not at the one put back.
      const std::int64_t untilGone = static_cast<std::int64_t>(writeLeavesAt_) - DayMillis();
      if (untilGone > 0) std::this_thread::sleep_for(std::chrono::milliseconds(untilGone));
    }
    RestoreLine(fd, savedLineSettings_);
    CloseExclusive(fd, setExclusive_);
    device_facts::DropLock(lockFile_);
  }
  handle_ = kInvalidHandle;
  writeLeavesAt_ = 0;
  setExclusive_ = false;
  lockFile_.clear();
}

bool Tserial::DiscardInput() {
  if (OnNetwork()) return network_->DiscardInput();
  return IsOpen() && tcflush(static_cast<int>(handle_), TCIFLUSH) == 0;
}

int Tserial::Write(const std::uint8_t* data, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  if (data == nullptr) return 0;
  if (!IsOpen()) return -1;
  if (length <= 0) return 0;
  if (OnNetwork()) return network_->Write(data, length, timeoutMs);
  const int fd = static_cast<int>(handle_);

  int written = 0;
  for (;;) {
    const ssize_t moved = write(fd, data + written, static_cast<std::size_t>(length - written));
    if (moved > 0) written += static_cast<int>(moved);
    if (written == length) break;
    if ((moved < 0 && !IsTransient(errno)) || deadline.Passed()) return written;
    const WaitResult wait = WaitFor(fd, POLLOUT, deadline);
    if (wait == WaitResult::Gone || (wait == WaitResult::TimedOut && !KeepWaiting())) {
      return written;
    }
  }
  writeLeavesAt_ = DayMillis() + LeavingMs(written, baudRate_);
  // Wait until the driver has sent everything, within the same deadline.
  for (int slept = 0; OutputQueued(fd) && !deadline.Passed(); ++slept) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (slept % kWaitSliceMs == kWaitSliceMs - 1 && !KeepWaiting()) break;
  }
  return written;
}

int Tserial::Read(std::uint8_t* buffer, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  if (!IsOpen() || buffer == nullptr || length <= 0) return 0;
  if (OnNetwork()) return network_->Read(buffer, length, timeoutMs);
  const int fd = static_cast<int>(handle_);

  int count = 0;
  bool reportedReadable = false;
  for (;;) {
    const ssize_t moved = read(fd, buffer + count, static_cast<std::size_t>(length - count));
    if (moved > 0) {
      count += static_cast<int>(moved);
      // An answer has come: what was sent before it has left.
      writeLeavesAt_ = 0;
      if (count == length) return count;
    }
    // Readable yet nothing to read: the device has gone away (a USB adapter pulled out).
    const bool gone = moved < 0 ? !IsTransient(errno) : moved == 0 && reportedReadable;
    if (gone || deadline.Passed()) return count;
    const WaitResult wait = WaitFor(fd, POLLIN, deadline);
    if (wait == WaitResult::Gone || (wait == WaitResult::TimedOut && !KeepWaiting())) {
      return count;
    }
    reportedReadable = wait == WaitResult::Ready;
  }
}
