// What the system reports as serial devices, and the names a device goes by.
#include <QFileInfo>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "device_enumeration.h"
#include "device_paths.h"
#include "pty_line.h"
#include "system_device_source.h"
#include "temp_dir.h"

namespace {

QString Path(const std::string& path) { return QString::fromStdString(path); }

// Holds on any machine: a pseudo-terminal is never a detected device, and everything listed is
// there, described, and known by a name that leads back to it.
TEST(DetectedDevices, AreRealDevicesWithANameAndADescription) {
  vprinter::PtyLine terminal;
  ASSERT_TRUE(terminal.Open(""));
  ports::SystemDeviceSource source;
  source.Refresh();
  const QList<ports::DetectedDevice> devices = source.Devices();
  EXPECT_EQ(devices, ports::EnumerateDevices());
  for (const ports::DetectedDevice& device : devices) {
    const std::string path = device.path.toStdString();
    EXPECT_FALSE(ports::IsPseudoTerminal(device.path)) << path;
    EXPECT_NE(device.path, Path(terminal.DevicePath()));
    EXPECT_TRUE(QFileInfo::exists(device.path)) << path;
    EXPECT_EQ(QFileInfo(device.path).fileName(), device.name) << path;
    EXPECT_FALSE(device.description.isEmpty()) << path;
    EXPECT_TRUE(ports::SameDevice(device.stableName, device.path)) << path;
  }
}

TEST(DevicePaths, APseudoTerminalIsKnownAsOneThroughALink) {
  const TempDir folder;
  vprinter::PtyLine terminal;
  ASSERT_TRUE(terminal.Open(folder.File("ttyPrinter")));
  const std::string file = folder.File("ttyUSB0");
  std::ofstream(file) << "not a terminal\n";

  EXPECT_TRUE(ports::IsPseudoTerminal(Path(terminal.DevicePath())));
  EXPECT_TRUE(ports::IsPseudoTerminal(Path(folder.File("ttyPrinter"))));
  EXPECT_TRUE(ports::IsPseudoTerminal("/dev/ptmx"));
  EXPECT_FALSE(ports::IsPseudoTerminal("/dev/null"));
  EXPECT_FALSE(ports::IsPseudoTerminal(Path(file)));
  EXPECT_FALSE(ports::IsPseudoTerminal(Path(folder.File("missing"))));
}

TEST(DevicePaths, TheStableNameIsTheByIdLinkThatLeadsToTheDevice) {
  const TempDir byId;
  vprinter::PtyLine adapter;
  vprinter::PtyLine other;
  vprinter::PtyLine unnamed;
  const std::string adapterLink = byId.File("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  const std::string otherLink = byId.File("usb-1a86_USB_Serial-if00-port0");
  ASSERT_TRUE(adapter.Open(adapterLink) && other.Open(otherLink) && unnamed.Open(""));
  std::filesystem::create_symlink(byId.File("gone"), byId.File("usb-Prolific-if00-port0"));
  const QString folder = Path(byId.File(""));

  EXPECT_EQ(ports::StableName(Path(adapter.DevicePath()), folder), Path(adapterLink));
  EXPECT_EQ(ports::StableName(Path(other.DevicePath()), folder), Path(otherLink));
  EXPECT_EQ(ports::StableName(Path(unnamed.DevicePath()), folder), Path(unnamed.DevicePath()));
  EXPECT_EQ(ports::StableName(Path(adapter.DevicePath()), Path(byId.File("missing"))),
            Path(adapter.DevicePath()))
      << "without a by-id folder, as where udev does not run";
}

}  // namespace
