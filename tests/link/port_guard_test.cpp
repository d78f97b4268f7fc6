// A port another program has open, or has locked, is left alone: not opened, not written to, its
// line settings and its exclusive mode as they were. A pty's far end is not such a program.
#include <fcntl.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "child_program.h"
#include "device_facts.h"
#include "serial_line.h"
#include "system_console.h"
#include "temp_dir.h"

namespace {

using namespace serial_test;

// Lock files go to a folder of the test's own while it runs.
class PortGuard : public ::testing::Test {
 protected:
  void SetUp() override { device_facts::SetLockFolders({locks.File("")}); }
  void TearDown() override {
    device_facts::SetLockFolders({"/run/lock", "/var/lock"});
    system_console::SetActiveList("/sys/class/tty/console/active");
  }

  std::string LockOf(const std::string& device) const {
    return locks.File("LCK.." + device.substr(std::string("/dev/").size()).replace(3, 1, "_"));
  }
  void WriteLock(const std::string& device, int owner, bool binary) const {
    std::ofstream file(LockOf(device), std::ios::binary);
    if (binary) {
      std::array<char, sizeof owner> bytes{};
      std::memcpy(bytes.data(), &owner, sizeof owner);
      file.write(bytes.data(), bytes.size());
    } else {
      std::array<char, 16> text{};
      std::snprintf(text.data(), text.size(), "%10d\n", owner);
      file << text.data();
    }
  }
  void WriteLockText(const std::string& device, const std::string& text) const {
    std::ofstream(LockOf(device), std::ios::binary | std::ios::trunc) << text;
  }
  std::string LockText(const std::string& device) const {
    std::ifstream file(LockOf(device), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  // Open must fail as busy, naming the holder, and leave the printer and its line untouched.
  void ExpectLeftAlone(Line& line, const CookedLine& probe, const std::string& holder) {
    const termios before = probe.Settings();
    EXPECT_FALSE(line.serial.OpenDevice(line.printer.DevicePath(), 1200));
    EXPECT_EQ(line.serial.LastOpenError().reason, OpenFailure::Busy);
    EXPECT_EQ(line.serial.LastOpenError().detail, holder);
    const termios after = probe.Settings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    EXPECT_FALSE(line.printer.WaitForReceived(1, 100));
  }

  TempDir locks;
};

TEST_F(PortGuard, APortAnotherProgramHoldsWithoutALockIsNotOpened) {
  Line line;
  ASSERT_TRUE(line.started);
  const CookedLine probe(line.printer.DevicePath());
  ASSERT_TRUE(probe.Cooked());
  ChildProgram terminal({"hold-plain", line.printer.DevicePath()});
  ASSERT_EQ(terminal.ReadLine(), "held");
  ExpectLeftAlone(line, probe, "link_child, process " + std::to_string(terminal.Pid()));
  ASSERT_EQ(terminal.Finish(), 0);
  EXPECT_TRUE(line.serial.OpenDevice(line.printer.DevicePath(), 9600));
}

TEST_F(PortGuard, ALiveLockFileKeepsThePortAndAStaleOneDoesNot) {
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  const CookedLine probe(device);
  ASSERT_TRUE(probe.Cooked());
  // A live process that has nothing open on the device, only its lock file.
  ChildProgram owner({"hold-plain", "/dev/null"});
  ASSERT_EQ(owner.ReadLine(), "held");
  const std::string holder = "link_child, process " + std::to_string(owner.Pid());
  for (const bool binary : {false, true}) {
    WriteLock(device, owner.Pid(), binary);
    ExpectLeftAlone(line, probe, holder);
  }
  const int ended = owner.Pid();
  ASSERT_EQ(owner.Finish(), 0);
  WriteLock(device, ended, false);
  EXPECT_TRUE(line.serial.OpenDevice(device, 9600)) << "the lock of an ended process is stale";
}

TEST_F(PortGuard, AnOpenPortIsLockedUntilClose) {
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  ASSERT_TRUE(line.serial.OpenDevice(device, 9600));
  std::ifstream file(LockOf(device));
  std::string text;
  std::getline(file, text);
  EXPECT_EQ(text.size(), 10u);
  EXPECT_EQ(std::stoi(text), getpid());
  EXPECT_NE(RunChild({"open", device}).status, 0);
  line.serial.Close();
  EXPECT_FALSE(std::filesystem::exists(LockOf(device)));
  EXPECT_EQ(RunChild({"open", device}).status, 0);
}

TEST_F(PortGuard, ThePtysFarEndIsNotAHolder) {
  ChildProgram server({"far-end"});
  const std::string device = server.ReadLine();
  ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
  ASSERT_EQ(server.ReadLine(), "held");
  Tserial serial;
  EXPECT_TRUE(serial.OpenDevice(device, 9600)) << serial.LastOpenError().detail;
}

bool IsExclusive(int fd) {
  int exclusive = 0;
  return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

TEST_F(PortGuard, AnExclusiveModeSetByAnotherOpenerStays) {
  if (geteuid() != 0) GTEST_SKIP() << "only root opens a port made exclusive";
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  const int own = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(own, 0);
  ASSERT_EQ(ioctl(own, TIOCEXCL), 0);
  ASSERT_TRUE(line.serial.OpenDevice(device, 9600)) << "root is not kept out by TIOCEXCL";
  line.serial.Close();
  EXPECT_TRUE(IsExclusive(own)) << "close cleared an exclusive mode it did not set";
  ASSERT_EQ(ioctl(own, TIOCNXCL), 0);

  ChildProgram terminal({"hold-plain", device, "excl"});
  ASSERT_EQ(terminal.ReadLine(), "held");
  const CookedLine probe(device);
  ASSERT_TRUE(probe.Cooked());
  ExpectLeftAlone(line, probe, "link_child, process " + std::to_string(terminal.Pid()));
  EXPECT_TRUE(IsExclusive(own));
  close(own);
}

TEST_F(PortGuard, TheSystemConsoleIsNeverOpened) {
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.linkPath = locks.File("printer");
  Line line(options);
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  const CookedLine probe(device);
  ASSERT_TRUE(probe.Cooked());
  const std::string list = locks.File("active");
  std::ofstream(list) << "tty0 " << device.substr(std::string("/dev/").size()) << "\n";
  system_console::SetActiveList(list);

  for (const std::string& path : {device, options.linkPath}) {
    EXPECT_FALSE(line.serial.OpenDevice(path, 9600)) << path;
    EXPECT_EQ(line.serial.LastOpenError().reason, OpenFailure::Console) << path;
    EXPECT_EQ(line.serial.LastOpenError().device, path);
  }
  EXPECT_FALSE(line.serial.Open(kPort, 9600)) << "COM1 reaches it through the link";
  EXPECT_EQ(line.serial.LastOpenError().reason, OpenFailure::Console);
  EXPECT_NE(probe.Settings().c_lflag & ICANON, 0u) << "the line is as it was";
  EXPECT_FALSE(line.printer.WaitForReceived(1, 100));

  system_console::SetActiveList("/sys/class/tty/console/active");
  EXPECT_TRUE(line.serial.OpenDevice(device, 9600)) << "no longer the console";
}

// Other programs write their number their own way, and a lock may be caught between its making
// and its writing: none of them is read as "no owner", and none is removed.
TEST_F(PortGuard, ALockInAnotherProgramsFormatKeepsThePortAndStays) {
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  const CookedLine probe(device);
  ASSERT_TRUE(probe.Cooked());
  ChildProgram owner({"hold-plain", "/dev/null"});
  ASSERT_EQ(owner.ReadLine(), "held");
  const std::string pid = std::to_string(owner.Pid());
  for (const std::string& text : {"      " + pid + " minicom user\n", pid + "\r\n", pid}) {
    WriteLockText(device, text);
    ExpectLeftAlone(line, probe, "link_child, process " + pid);
    EXPECT_EQ(LockText(device), text) << "the lock is its program's to remove";
  }
  for (const std::string& text : {std::string(), std::string("not a number\n")}) {
    WriteLockText(device, text);
    ExpectLeftAlone(line, probe, LockOf(device));
    EXPECT_EQ(LockText(device), text) << "a fresh lock that names nobody is being made";
  }
  namespace fs = std::filesystem;
  fs::last_write_time(LockOf(device), fs::file_time_type::clock::now() - std::chrono::minutes(1));
  EXPECT_TRUE(line.serial.OpenDevice(device, 9600)) << "left over for a minute: stale";
  EXPECT_EQ(std::stoi(LockText(device)), getpid()) << "taken over";
  line.serial.Close();
  ASSERT_EQ(owner.Finish(), 0);
}

// Another user's program: its descriptors are not this user's to see, only its lock file, and
// that is in the program's own format.
TEST_F(PortGuard, AnotherUsersProgramKeepsThePortByItsLockAlone) {
  if (geteuid() != 0) GTEST_SKIP() << "acting as a second user needs root";
  const passwd* nobody = getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no user nobody";
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  const std::string folder = locks.File("");
  // Anyone may open the device and make locks, as in /run/lock: only the lock keeps nobody out.
  ASSERT_EQ(chmod(device.c_str(), 0666), 0);
  ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
  const CookedLine probe(device);
  ASSERT_TRUE(probe.Cooked());
  const termios before = probe.Settings();
  ChildProgram terminal({"hold-plain", device});
  ASSERT_EQ(terminal.ReadLine(), "held");
  const std::string pid = std::to_string(terminal.Pid());
  const std::string text = "      " + pid + " minicom root\n";
  WriteLockText(device, text);
  const std::vector<std::string> openAsNobody = {"open-as", std::to_string(nobody->pw_uid),
                                                 std::to_string(nobody->pw_gid), device, folder};

  const ChildRun run = RunChild(openAsNobody);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, std::to_string(static_cast<int>(OpenFailure::Busy)) + " " + device +
                            " link_child, process " + pid + "\n");
  EXPECT_EQ(LockText(device), text);
  const termios after = probe.Settings();
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
  EXPECT_FALSE(line.printer.WaitForReceived(1, 100));

  ASSERT_EQ(terminal.Finish(), 0);
  std::filesystem::remove(LockOf(device));
  EXPECT_EQ(RunChild(openAsNobody).output, "opened\n") << "the same user opens it once free";
}

// /dev/tty (5:0) and /dev/console (5:1) are no links: a path compared with the console's misses
// them, and a node made with a device's number elsewhere. The number decides.
TEST_F(PortGuard, TheConsoleIsKnownByItsDeviceNumberUnderAnyName) {
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  const std::string list = locks.File("active");
  std::ofstream(list) << "tty0 " << device.substr(std::string("/dev/").size()) << "\n";
  system_console::SetActiveList(list);

  std::vector<std::string> consoles;
  for (const char* path : {"/dev/tty", "/dev/console"}) {
    if (std::filesystem::exists(path)) consoles.emplace_back(path);
  }
  struct stat status {};
  ASSERT_EQ(stat(device.c_str(), &status), 0);
  const std::vector<std::pair<std::string, dev_t>> nodes = {
      {locks.File("own-terminal"), makedev(5, 0)},
      {locks.File("system-console"), makedev(5, 1)},
      {locks.File("printer-by-number"), status.st_rdev}};
  const bool root = geteuid() == 0;
  for (const auto& [path, number] : root ? nodes : decltype(nodes)()) {
    ASSERT_EQ(mknod(path.c_str(), S_IFCHR | 0600, number), 0) << path;
    consoles.push_back(path);
  }
  for (const std::string& path : consoles) {
    // Checked first: an open of the real console would write to it.
    ASSERT_TRUE(system_console::IsConsole(path)) << path;
    EXPECT_FALSE(line.serial.OpenDevice(path, 9600)) << path;
    EXPECT_EQ(line.serial.LastOpenError().reason, OpenFailure::Console) << path;
  }
  EXPECT_FALSE(line.printer.WaitForReceived(1, 100));

  std::ifstream front("/sys/class/tty/tty0/active");
  if (std::string terminal; front >> terminal) {
    const std::vector<std::string> devices = system_console::Devices();
    EXPECT_NE(std::find(devices.begin(), devices.end(), "/dev/" + terminal), devices.end())
        << "tty0 stands for the virtual terminal in front";
  }
  if (!root) GTEST_SKIP() << "making device nodes under other names needs root: not tried";
}

}  // namespace
