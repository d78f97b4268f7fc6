// The link tests' second process, a fresh program rather than a fork of the threaded tests:
//   open DEVICE                  exits 0 when Tserial opens DEVICE, 1 when it does not;
//   open-as UID GID DEVICE [LOCKS]  the same as that user (lock files in the folder LOCKS),
//                                printing "opened" or the reason number, the device and the
//                                detail; exits 2 when it cannot become them;
//   hold DEVICE                  opens DEVICE with Tserial, prints "held", keeps it until its
//                                input ends;
//   hold-plain DEVICE [excl]     the same with a bare open (and TIOCEXCL), as a terminal program
//                                that takes no lock;
//   far-end                      makes a pseudo-terminal and holds both its ends, as a virtual
//                                printer or a device server does, printing the device.
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device_facts.h"
#include "serial.h"

namespace {

int WaitForEndOfInput() {
  std::puts("held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return 0;
}

int OpenAs(uid_t uid, gid_t gid, const std::string& device) {
  if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0 || getuid() != uid) {
    return 2;
  }
  Tserial serial;
  if (serial.OpenDevice(device, 9600)) {
    std::puts("opened");
    return 0;
  }
  const OpenError& error = serial.LastOpenError();
  std::printf("%d %s %s\n", static_cast<int>(error.reason), error.device.c_str(),
              error.detail.c_str());
  return 1;
}

int HoldPlain(const std::string& device, bool exclusive) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0 || (exclusive && ioctl(fd, TIOCEXCL) != 0)) {
    std::puts("failed");
    return 1;
  }
  return WaitForEndOfInput();
}

int HoldFarEnd() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  const char* name = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0
                         ? ptsname(master)  // NOLINT(concurrency-mt-unsafe): one thread
                         : nullptr;
  if (name == nullptr || open(name, O_RDWR | O_NOCTTY | O_NONBLOCK) < 0) {
    std::puts("failed");
    return 1;
  }
  std::puts(name);
  return WaitForEndOfInput();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "open" && argc == 3) {
    Tserial serial;
    return serial.OpenDevice(argv[2], 9600) ? 0 : 1;
  }
  if (command == "open-as" && (argc == 5 || argc == 6)) {
    if (argc == 6) device_facts::SetLockFolders({argv[5]});
    return OpenAs(static_cast<uid_t>(std::strtoul(argv[2], nullptr, 10)),
                  static_cast<gid_t>(std::strtoul(argv[3], nullptr, 10)), argv[4]);
  }
  if (command == "hold" && argc == 3) {
    Tserial serial;
    if (!serial.OpenDevice(argv[2], 9600)) {
      std::puts("failed");
      return 1;
    }
    return WaitForEndOfInput();
  }
  if (command == "hold-plain" && (argc == 3 || argc == 4)) {
    return HoldPlain(argv[2], argc == 4 && std::strcmp(argv[3], "excl") == 0);
  }
  if (command == "far-end" && argc == 2) return HoldFarEnd();
  std::fputs(
      "usage: link_child open|open-as UID GID DEVICE [LOCKS]|hold|hold-plain DEVICE [excl] | "
      "far-end\n",
      stderr);
  return 2;
}
