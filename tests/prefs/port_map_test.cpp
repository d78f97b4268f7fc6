#include <gtest/gtest.h>

#include "preferences.h"
#include "settings_folder.h"

namespace {

TEST(ComPortMap, NamesTheDeviceOfEachMappedPortOnly) {
  const SettingsFolder folder;
  EXPECT_TRUE(prefs::DeviceForPort(1).isEmpty());

  folder.Write(
      "[General]\nCOM2=/dev/ttyS9\n\n[Ports]\nCOM1=/dev/ttyUSB0\nCOM8=/dev/pts/7\n"
      "COM3=\"/dev/serial/by-id/usb-FTDI,A1-port0\"\nCOM4=\n");
  EXPECT_EQ(prefs::DeviceForPort(1), "/dev/ttyUSB0");
  EXPECT_EQ(prefs::DeviceForPort(8), "/dev/pts/7");
  EXPECT_EQ(prefs::DeviceForPort(3), "/dev/serial/by-id/usb-FTDI,A1-port0");
  EXPECT_TRUE(prefs::DeviceForPort(2).isEmpty());
  EXPECT_TRUE(prefs::DeviceForPort(4).isEmpty());
  EXPECT_TRUE(prefs::DeviceForPort(0).isEmpty());
}

TEST(ComPortMap, AnEditTakesEffectAtTheNextLookUp) {
  const SettingsFolder folder;
  folder.Write("[Ports]\nCOM1=/dev/ttyUSB0\n");
  ASSERT_EQ(prefs::DeviceForPort(1), "/dev/ttyUSB0");
  folder.Write("[Ports]\nCOM1=/dev/ttyACM10\nCOM2=/dev/ttyUSB0\n");
  EXPECT_EQ(prefs::DeviceForPort(1), "/dev/ttyACM10");
  EXPECT_EQ(prefs::DeviceForPort(2), "/dev/ttyUSB0");
}

}  // namespace
