// Why an open failed, each reason caused for real: a path with nothing there, a device the user
// may not open, a device another process holds, a plain file, a rate the device refuses.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_program.h"
#include "serial_line.h"
#include "temp_dir.h"

namespace {

using namespace serial_test;

// The reason and detail of OpenDevice(device) as user nobody, from a program that dropped root.
std::string OpenAsNobody(const std::string& device) {
  const passwd* nobody = getpwnam("nobody");
  const group* nogroup = getgrnam("nogroup");
  if (nobody == nullptr) return "no user nobody";
  const gid_t gid = nogroup != nullptr ? nogroup->gr_gid : nobody->pw_gid;
  std::string output =
      RunChild({"open-as", std::to_string(nobody->pw_uid), std::to_string(gid), device}).output;
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  return output;
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
  ChildProgram holder({"hold", device});
  ASSERT_EQ(holder.ReadLine(), "held");

  Tserial serial;
  EXPECT_FALSE(serial.OpenDevice(device, 9600));
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::Busy);
  EXPECT_EQ(serial.LastOpenError().device, device);
  EXPECT_EQ(serial.LastOpenError().detail, "link_child, process " + std::to_string(holder.Pid()));

  ASSERT_EQ(holder.Finish(), 0);
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
