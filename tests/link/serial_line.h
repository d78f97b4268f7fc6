#pragma once
// A Tserial pointed at a virtual printer on a real pseudo-terminal, shared by the serial tests.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "answering.h"
#include "printer.h"
#include "printer_models.h"
#include "printer_search.h"
#include "serial.h"
#include "virtual_printer.h"

namespace serial_test {

using Clock = std::chrono::steady_clock;

inline constexpr int kPort = 1;

inline long long MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Port n leads to devices[n - 1]; other numbers to nothing.
inline void PointAt(Tserial& serial, std::vector<std::string> devices) {
  serial.SetDeviceResolver([devices = std::move(devices)](int port) {
    const bool known = port >= 1 && static_cast<std::size_t>(port) <= devices.size();
    return known ? devices[static_cast<std::size_t>(port - 1)] : std::string();
  });
}

// The printer as a port a search tries, named name.
inline printer::SearchPort PortOf(const std::string& name,
                                  const vprinter::VirtualPrinter& printer) {
  return {name, printer.DevicePath(), name};
}

// A virtual printer and a port pointed at it (at its link when the options make one).
struct Line {
  explicit Line(vprinter::Options options = AnsweringAs(kFamily1Model))
      : link(options.linkPath), printer(std::move(options)), started(printer.Start()) {
    PointAt(serial, {link.empty() ? printer.DevicePath() : link});
  }

  int SendIdentify() {
    const printer::Identify identify = printer::EncodeIdentify();
    return serial.Write(identify.data(), static_cast<int>(identify.size()), printer::kTimeoutMs);
  }

  std::string link;
  vprinter::VirtualPrinter printer;
  Tserial serial;
  bool started;
};

// A second descriptor on the device, opened before Tserial makes it exclusive, that puts the line
// in the state a fresh pty has: echo, line editing, CR/LF mapping, XON/XOFF, parity, 7 bits.
class CookedLine {
 public:
  explicit CookedLine(const std::string& device)
      : fd_(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    termios settings{};
    if (fd_ < 0 || tcgetattr(fd_, &settings) != 0) return;
    settings.c_iflag |= IXON | IXOFF | ICRNL | INLCR | ISTRIP | BRKINT;
    settings.c_oflag |= OPOST | ONLCR;
    settings.c_lflag |= ECHO | ICANON | ISIG | IEXTEN;
    settings.c_cflag = (settings.c_cflag & ~static_cast<tcflag_t>(CSIZE | CLOCAL)) | CS7 | PARENB |
                       CSTOPB | CRTSCTS | HUPCL;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 5;
    cfsetspeed(&settings, B2400);
    cooked_ = tcsetattr(fd_, TCSANOW, &settings) == 0;
  }
  ~CookedLine() {
    if (fd_ >= 0) close(fd_);
  }
  CookedLine(const CookedLine&) = delete;
  CookedLine& operator=(const CookedLine&) = delete;

  bool Cooked() const { return cooked_; }
  termios Settings() const {
    termios settings{};
    tcgetattr(fd_, &settings);
    return settings;
  }

 private:
  int fd_;
  bool cooked_ = false;
};

// Descriptors of this process open on device.
inline int DescriptorsOn(const std::string& device) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == device) ++count;
  }
  return count;
}

}  // namespace serial_test
