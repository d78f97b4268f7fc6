// A long session in one window: 1,000 Connect / Disconnect cycles against a virtual printer with
// a send (shortened pauses) and a test page every 50 cycles and a search every 100, then 200
// plug / unplug events of the port list's source, then 1,000 searches over three ports at once.
// Prints open descriptors, threads and resident memory after the first 50 cycles (or events,
// or searches) and at the end; none should grow. Run by ./dev bench.
#include <QApplication>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "answering.h"
#include "fed_device_source.h"
#include "mainform.h"
#include "printer_models.h"
#include "printer_search.h"
#include "pty_line.h"
#include "size_hint_warnings.h"
#include "virtual_printer.h"
#include "window_bench.h"
#include "window_state.h"

namespace {

constexpr int kCycles = 1000;
constexpr int kSendEvery = 50;
constexpr int kSearchEvery = 100;
constexpr int kDeviceEvents = 200;
constexpr int kSearches = 1000;
constexpr int kFirstMark = 50;

struct Usage {
  long descriptors = 0;
  long threads = 0;
  long residentKiB = 0;
};

// A field of /proc/self/status, in its own unit.
long StatusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(name + ':', 0) == 0) return std::stol(line.substr(name.size() + 1));
  }
  return -1;
}

Usage Measure() {
  Usage usage;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++usage.descriptors;
  }
  usage.threads = StatusField("Threads");
  usage.residentKiB = StatusField("VmRSS");
  return usage;
}

void Report(const char* what, const Usage& first, const Usage& last) {
  const long grownKiB = last.residentKiB - first.residentKiB;
  const bool met =
      last.descriptors <= first.descriptors && last.threads <= first.threads && grownKiB < 1024;
  std::printf("%s:\n", what);
  std::printf(
      "  descriptors %ld -> %ld, threads %ld -> %ld, resident %ld KiB -> %ld KiB (%+ld KiB)\n",
      first.descriptors, last.descriptors, first.threads, last.threads, first.residentKiB,
      last.residentKiB, grownKiB);
  std::printf("  aim: no more descriptors or threads, under 1 MiB more memory: %s\n",
              met ? "met" : "MISSED");
}

void Click(TMainF& window, const char* button) { window.findChild<QPushButton*>(button)->click(); }

// Find printer runs on a worker; its button reads "Stop" until the search has ended.
void Search(TMainF& window) {
  auto* find = window.findChild<QPushButton*>("Find");
  const QString idle = find->text();
  find->click();
  while (find->text() != idle) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (Connected(window)) Click(window, "Connect");
}

// One Connect / Disconnect cycle, with the extra work the cycle number asks for; false when the
// window did not connect.
bool Cycle(TMainF& window, int cycle) {
  Click(window, "Connect");
  if (!Connected(window)) return false;
  if (cycle % kSendEvery == 0) {
    Click(window, "Set");
    Click(window, "TestPage");
  }
  Click(window, "Connect");
  if (cycle % kSearchEvery == 0) Search(window);
  return !Connected(window);
}

// The search's threads on their own: 1,000 searches over three ports at once, the printer found
// on the first port (the others stopped at once) or, every other time, on the second after the
// first turned out missing (the third stopped at once).
bool SoakSearches() {
  const vprinter::Options answering = AnsweringAs(kFamily1Model);
  vprinter::Options silent;
  silent.silent = true;
  vprinter::VirtualPrinter printer(answering);
  vprinter::VirtualPrinter quiet(silent);
  if (!printer.Start() || !quiet.Start()) return false;
  const printer::SearchPort found{"COM1", printer.DevicePath(), "COM1"};
  const printer::SearchPort missing{"COM1", "/dev/quillsetter-soak-missing", "COM1"};
  const printer::SearchPort foundSecond{"COM2", printer.DevicePath(), "COM2"};
  const printer::SearchPort stopped{"COM3", quiet.DevicePath(), "COM3"};
  Usage atMark;
  for (int search = 1; search <= kSearches; ++search) {
    printer.ClearReceived();
    quiet.ClearReceived();
    const bool second = search % 2 == 0;
    const printer::SearchResult result = printer::FindPrinter(
        {second ? std::vector{missing, foundSecond, stopped} : std::vector{found, stopped, missing},
         9600,
         {}});
    if (!result.found || result.portIndex != (second ? 1 : 0)) {
      std::fprintf(stderr, "soak_bench: search %d did not find the printer\n", search);
      return false;
    }
    if (search == kFirstMark) atMark = Measure();
  }
  Report("Search, 1000 searches over three ports at once, from search 50 to the end", atMark,
         Measure());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const WindowBenchFolder folder;
  DropSizeHintWarnings();
  QApplication application(argc, argv);

  const std::unique_ptr<vprinter::VirtualPrinter> started = StartPrinterOnCom1(kFamily1Model);
  if (!started) return 1;
  vprinter::VirtualPrinter& printer = *started;

  WindowSeams seams;
  auto source = std::make_unique<FedDeviceSource>();
  FedDeviceSource& devices = *source;
  seams.devices = std::move(source);
  seams.pauseMs = 10;
  int messages = 0;
  seams.message = [&messages](const QString&) { ++messages; };
  TMainF window(std::move(seams));
  window.show();
  QApplication::processEvents();

  // What is made once (the search's worker and its memory, the lists' texts) is made before the
  // count starts: one cycle with each kind of work.
  if (!Cycle(window, 0)) {
    std::fprintf(stderr, "soak_bench: the window did not connect to the virtual printer\n");
    return 1;
  }
  Usage atMark;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    // The printer's own record of what it received is no part of the window.
    printer.ClearReceived();
    if (!Cycle(window, cycle)) {
      std::fprintf(stderr, "soak_bench: cycle %d did not connect and disconnect\n", cycle);
      return 1;
    }
    if (cycle == kFirstMark) atMark = Measure();
  }
  Report(
      "Window, 1000 Connect / Disconnect cycles (a send and a test page every 50, a search "
      "every 100), from cycle 50 to the end",
      atMark, Measure());
  // One "operation complete" for each send, the first cycle's too.
  const int expectedMessages = kCycles / kSendEvery + 1;

  vprinter::PtyLine adapter;
  if (!adapter.Open("")) return 1;
  const ports::DetectedDevice device{QString::fromStdString(adapter.DevicePath()), "ttyUSB0",
                                     "FT232R USB UART", "/dev/serial/by-id/usb-FTDI-if00-port0"};
  for (int event = 1; event <= kDeviceEvents; ++event) {
    if (event % 2 == 1) {
      devices.Plug(device);
    } else {
      devices.Unplug(device.path);
    }
    if (event == kFirstMark) atMark = Measure();
  }
  Report("Port list, 200 plug / unplug events, from event 50 to the end", atMark, Measure());
  window.close();
  printer.Stop();

  if (!SoakSearches()) return 1;
  if (messages != expectedMessages) {
    std::fprintf(stderr, "soak_bench: %d messages, %d expected\n", messages, expectedMessages);
    return 1;
  }
  return 0;
}
