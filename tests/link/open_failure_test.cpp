// Why an open failed, each reason caused for real: a path with nothing there, a device the user
// may not open, a device another process holds, a plain file, a rate the device refuses.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "../tools/temp_dir.h"
#include "serial_line.h"

namespace {

using namespace serial_test;

// A pipe between this process and a forked child.
struct Pipe {
  Pipe() { ok = pipe(ends.data()) == 0; }
  ~Pipe() {
    for (const int end : ends) close(end);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  bool ok = false;
  std::array<int, 2> ends{-1, -1};  // read end, write end
};

std::string ReadAll(int fd) {
  std::string text;
  std::array<char, 256> chunk{};
  for (ssize_t got = 0; (got = read(fd, chunk.data(), chunk.size())) > 0;)
    text.append(chunk.data(), got);
  return text;
}

// The reason and detail of OpenDevice(device) as user nobody, from a child that dropped root.
std::string OpenAsNobody(const std::string& device) {
  const passwd* nobody = getpwnam("nobody");
  const group* nogroup = getgrnam("nogroup");
  if (nobody == nullptr) return "no user nobody";
  const gid_t gid = nogroup != nullptr ? nogroup->gr_gid : nobody->pw_gid;
  Pipe report;
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(2);
    Tserial serial;
    const bool opened = serial.OpenDevice(device, 9600);
    const OpenError& error = serial.LastOpenError();
    const std::string text = opened ? "opened"
                                    : std::to_string(static_cast<int>(error.reason)) + " " +
                                          error.device + " " + error.detail;
    _exit(write(report.ends[1], text.data(), text.size()) < 0 ? 3 : 0);
  }
  close(report.ends[1]);
  report.ends[1] = -1;
  std::string text = ReadAll(report.ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return text;
}

std::string ThisProgram() {
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

TEST(OpenFailure, NothingAtThePathIsNoDeviceWhateverTheRate) {
  const TempDir folder;
  const std::string missing = folder.File("ttyUSB9");
  Tserial serial;
  EXPECT_FALSE(serial.OpenDevice(missing, 9600));
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::NoDevice);
  EXPECT_EQ(serial.LastOpenError().device, missing);
  EXPECT_FALSE(serial.OpenDevice(missing, 250000)) << "no device to refuse the rate";
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::NoDevice);
}

TEST(OpenFailure, ADeviceTheUserMayNotOpenNamesItsGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "dropping to another user needs root";
  const group* dialout = getgrnam("dialout");
  if (dialout == nullptr) GTEST_SKIP() << "no group dialout";
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  // As a USB adapter's device is made: owned by root, readable and writable by dialout.
  ASSERT_EQ(chown(device.c_str(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(chmod(device.c_str(), 0660), 0);

  const std::string reason = std::to_string(static_cast<int>(OpenFailure::Permission));
  EXPECT_EQ(OpenAsNobody(device), reason + " " + device + " dialout");
  ASSERT_EQ(chmod(device.c_str(), 0666), 0);
  EXPECT_EQ(OpenAsNobody(device), "opened") << "the same user opens it once it may";
}

TEST(OpenFailure, ADeviceAnotherProcessHoldsNamesTheHolder) {
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  Pipe held;
  Pipe release;
  ASSERT_TRUE(held.ok && release.ok);
  const pid_t holder = fork();
  if (holder == 0) {
    // Its input ends when this process closes the write end.
    close(release.ends[1]);
    Tserial serial;
    const char answer = serial.OpenDevice(device, 9600) ? 'y' : 'n';
    if (write(held.ends[1], &answer, 1) != 1) _exit(2);
    char ignored = 0;
    _exit(read(release.ends[0], &ignored, 1) < 0 ? 3 : 0);
  }
  char answer = 0;
  ASSERT_EQ(read(held.ends[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');

  Tserial serial;
  EXPECT_FALSE(serial.OpenDevice(device, 9600));
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::Busy);
  EXPECT_EQ(serial.LastOpenError().device, device);
  EXPECT_EQ(serial.LastOpenError().detail, ThisProgram() + ", process " + std::to_string(holder));

  close(release.ends[1]);
  release.ends[1] = -1;
  int status = 0;
  ASSERT_EQ(waitpid(holder, &status, 0), holder);
  ASSERT_TRUE(serial.OpenDevice(device, 9600)) << "free once the holder has ended";

  // Held by this very process: busy, and no other program to name.
  Tserial second;
  EXPECT_FALSE(second.OpenDevice(device, 9600));
  EXPECT_EQ(second.LastOpenError().reason, OpenFailure::Busy);
  EXPECT_EQ(second.LastOpenError().detail, "");
}

TEST(OpenFailure, APlainFileOrAFolderIsNotSerial) {
  const TempDir folder;
  const std::string file = folder.File("ttyUSB0");
  std::ofstream(file) << "not a terminal\n";
  const std::string directory = folder.File("serial");
  std::filesystem::create_directory(directory);
  for (const std::string& path : {file, directory, std::string("/dev/null")}) {
    Tserial serial;
    EXPECT_FALSE(serial.OpenDevice(path, 9600)) << path;
    EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::NotSerial) << path;
    EXPECT_EQ(serial.LastOpenError().device, path);
  }
}

TEST(OpenFailure, ARateTheDeviceCannotTakeIsRefusedAndLeavesThePortFree) {
  Line line;
  ASSERT_TRUE(line.started);
  const std::string device = line.printer.DevicePath();
  const int before = DescriptorsOn(device);
  EXPECT_FALSE(line.serial.OpenDevice(device, 250000));
  EXPECT_EQ(line.serial.LastOpenError().reason, OpenFailure::RateRefused);
  EXPECT_EQ(line.serial.LastOpenError().device, device);
  EXPECT_EQ(DescriptorsOn(device), before);
  EXPECT_TRUE(line.serial.OpenDevice(device, 9600));
  EXPECT_EQ(line.serial.LastOpenError().reason, OpenFailure::None);
}

}  // namespace
