// How much the serial channel costs while it waits, and how soon it returns once the reply is
// complete. Prints figures; run by ./dev bench.
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "serial.h"
#include "virtual_printer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 1;
constexpr int kReplyLength = 32;
constexpr std::uint32_t kTimeoutMs = 1000;
constexpr int kSilentRuns = 20;
constexpr int kReplyRuns = 50;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double ThreadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  const auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void PointAt(Tserial& serial, const std::string& device) {
  serial.SetDeviceResolver([device](int) { return device; });
}

// CPU time of this thread during Reads from a printer that never answers, against wall time.
bool MeasureSilentWait() {
  vprinter::Options options;
  options.silent = true;
  vprinter::VirtualPrinter printer(options);
  Tserial serial;
  if (!printer.Start()) return false;
  PointAt(serial, printer.DevicePath());
  if (!serial.Open(kPort, 9600)) return false;

  std::array<std::uint8_t, kReplyLength> buffer{};
  double cpu = 0;
  Clock::duration wall{};
  for (int run = 0; run < kSilentRuns; ++run) {
    const double cpuBefore = ThreadCpuSeconds();
    const auto start = Clock::now();
    if (serial.Read(buffer.data(), kReplyLength, kTimeoutMs) != 0) return false;
    wall += Clock::now() - start;
    cpu += ThreadCpuSeconds() - cpuBefore;
  }
  const double share = 100 * cpu / Seconds(wall);
  std::printf("Silent port, Read of %d bytes with a %u ms timeout, %d runs:\n", kReplyLength,
              kTimeoutMs, kSilentRuns);
  std::printf("  CPU (user+sys) %.4f s over %.3f s wall = %.3f %% of wall time (aim < 2 %%: %s)\n",
              cpu, Seconds(wall), share, share < 2 ? "met" : "MISSED");
  return true;
}

// A pty whose far end this program drives itself, so it knows when the last byte went in.
struct RawPty {
  RawPty() : master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    char name[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
      return;
    }
    device = name;
    termios settings{};
    tcgetattr(master, &settings);
    cfmakeraw(&settings);
    tcsetattr(master, TCSANOW, &settings);
  }
  ~RawPty() {
    if (master >= 0) close(master);
  }
  RawPty(const RawPty&) = delete;
  RawPty& operator=(const RawPty&) = delete;

  int master;
  std::string device;
};

// Delay from the reply's last byte going into the pty to Read returning the whole reply.
bool MeasureReplyLatency() {
  RawPty pty;
  Tserial serial;
  if (pty.device.empty()) return false;
  PointAt(serial, pty.device);
  if (!serial.Open(kPort, 115200)) return false;

  std::atomic<int> runToSend{-1};
  std::atomic<Clock::rep> lastByteAt{0};
  std::thread sender([&] {
    const std::array<std::uint8_t, kReplyLength> reply{'T', 'a', 'v', 'r', 'i', 'n'};
    for (int run = 0; run < kReplyRuns; ++run) {
      for (int seen = runToSend.load(); seen != run; seen = runToSend.load()) {
        runToSend.wait(seen);
      }
      // The reader is waiting for the port by now; the reply comes in two parts as on a wire.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      if (write(pty.master, reply.data(), kReplyLength - 1) != kReplyLength - 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      lastByteAt = Clock::now().time_since_epoch().count();
      if (write(pty.master, reply.data() + kReplyLength - 1, 1) != 1) return;
    }
  });

  std::vector<double> delaysMs;
  std::array<std::uint8_t, kReplyLength> buffer{};
  for (int run = 0; run < kReplyRuns; ++run) {
    runToSend = run;
    runToSend.notify_one();
    const int count = serial.Read(buffer.data(), kReplyLength, kTimeoutMs);
    const auto returnedAt = Clock::now();
    if (count != kReplyLength) break;
    const Clock::time_point sentAt{Clock::duration{lastByteAt.load()}};
    delaysMs.push_back(Seconds(returnedAt - sentAt) * 1000);
  }
  runToSend = kReplyRuns;
  runToSend.notify_one();
  sender.join();
  if (delaysMs.size() != static_cast<std::size_t>(kReplyRuns)) return false;

  std::sort(delaysMs.begin(), delaysMs.end());
  const double median = delaysMs[delaysMs.size() / 2];
  std::printf("Reply of %d bytes, last byte in to Read returning, %d runs:\n", kReplyLength,
              kReplyRuns);
  std::printf("  median %.3f ms, 90th percentile %.3f ms, max %.3f ms (aim: median < 1 ms: %s)\n",
              median, delaysMs[delaysMs.size() * 9 / 10], delaysMs.back(),
              median < 1 ? "met" : "MISSED");
  return true;
}

}  // namespace

int main() {
  std::printf("Serial channel benchmark\n");
  const bool silent = MeasureSilentWait();
  if (!silent) std::printf("  silent-port measurement failed: no pty or the port did not open\n");
  const bool reply = MeasureReplyLatency();
  if (!reply) std::printf("  reply measurement failed: no pty, no open port or a short read\n");
  return silent && reply ? 0 : 1;
}
