#pragma once
// A Tserial pointed at a virtual printer on a real pseudo-terminal, shared by the serial tests.
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "printer.h"
#include "serial.h"
#include "virtual_printer.h"

namespace serial_test {

using Clock = std::chrono::steady_clock;

inline constexpr int kPort = 1;
inline constexpr char kModel[] = "Tavrin MR460V Printer";

inline long long MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

inline vprinter::Options Answering(vprinter::Reply reply = vprinter::ReplyForModel(kModel)) {
  vprinter::Options options;
  options.reply = reply;
  return options;
}

// Port n leads to devices[n - 1]; other numbers to nothing.
inline void PointAt(Tserial& serial, std::vector<std::string> devices) {
  serial.SetDeviceResolver([devices = std::move(devices)](int port) {
    const bool known = port >= 1 && static_cast<std::size_t>(port) <= devices.size();
    return known ? devices[static_cast<std::size_t>(port - 1)] : std::string();
  });
}

// A virtual printer and a port pointed at it (at its link when the options make one).
struct Line {
  explicit Line(vprinter::Options options = Answering())
      : link(options.linkPath), printer(std::move(options)) {
    started = printer.Start();
    PointAt(serial, {link.empty() ? printer.DevicePath() : link});
  }

  int SendIdentify() {
    const printer::Identify identify = printer::EncodeIdentify();
    return serial.Write(identify.data(), static_cast<int>(identify.size()), printer::kTimeoutMs);
  }

  std::string link;
  vprinter::VirtualPrinter printer;
  Tserial serial;
  bool started = false;
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
