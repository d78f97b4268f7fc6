// quillsetter-vprinter: a virtual printer for people trying the tool without hardware.
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX sigset_t, sigwait

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vprinter_args.h"

int main(int argc, char** argv) {
  const vprinter::ProgramArgs args = vprinter::ParseArgs(argc, argv);
  if (!args.error.empty()) {
    std::fprintf(stderr, "quillsetter-vprinter: %s\nTry --help.\n", args.error.c_str());
    return 2;
  }
  if (args.help) {
    std::fputs(vprinter::Usage().c_str(), stdout);
    return 0;
  }

  // Blocked before the printer's thread starts, so that only sigwait below receives them: they
  // are taken in turn on this thread, and no handler runs.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  if (args.powerCycleOnSignal) sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // A reader of our output that goes away must not end us before the link is removed.
  signal(SIGPIPE, SIG_IGN);

  vprinter::VirtualPrinter printer(args.options);
  printer.SetChunkListener([](const vprinter::ReceivedChunk& chunk) {
    if (chunk.reception != vprinter::Reception::OtherRateOrFrame) return;
    std::printf("unreadable bytes at %u bps\n", static_cast<unsigned>(chunk.baud));
    std::fflush(stdout);
  });
  printer.SetCommandListener([](const vprinter::DecodedCommand& command) {
    std::printf("%s\n", command.Describe().c_str());
    std::fflush(stdout);
  });
  printer.SetLineListener([](const std::string& device) {
    std::printf("%s\n", device.empty() ? "hang-up" : device.c_str());
    std::fflush(stdout);
  });
  printer.SetPowerListener([&printer](bool poweredOn) {
    const std::uint32_t baud = printer.LineBaud();
    if (!poweredOn) {
      std::printf("power off\n");
    } else if (baud == 0) {
      std::printf("power cycle: now at any rate\n");
    } else {
      std::printf("power cycle: now at %u bps\n", static_cast<unsigned>(baud));
    }
    std::fflush(stdout);
  });
  if (!printer.Start()) {
    std::fprintf(stderr, "quillsetter-vprinter: cannot start: %s\n", std::strerror(errno));
    return 1;
  }
  std::printf("%s\n", printer.DevicePath().c_str());
  std::fflush(stdout);

  int received = 0;
  while (sigwait(&signals, &received) == 0 && received == SIGUSR1) {
    printer.PowerCycle(vprinter::kPowerCycleOffMs);
  }
  printer.Stop();
  return 0;
}
