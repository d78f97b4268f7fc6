// The port list built from devices fed as pseudo-terminals: COM1 to COM6 first with what each
// reaches, then the devices no COM entry reaches, by name.
#include <QFileInfo>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "port_list.h"
#include "pty_line.h"
#include "system_console.h"
#include "temp_dir.h"

namespace {

using ports::DetectedDevice;

QString Path(const std::string& path) { return QString::fromStdString(path); }

DetectedDevice Device(const vprinter::PtyLine& line, const QString& name,
                      const QString& description) {
  const QString path = Path(line.DevicePath());
  return {path, name, description, "/dev/serial/by-id/usb-" + name};
}

QStringList Labels(const std::vector<ports::PortEntry>& entries, InterfaceLanguage language) {
  QStringList labels;
  for (const ports::PortEntry& entry : entries) labels << entry.Label(language);
  return labels;
}

TEST(PortList, ComEntriesShowWhatTheyReachAndTheOtherDevicesFollowByName) {
  const TempDir folder;
  std::array<vprinter::PtyLine, 5> lines;
  for (vprinter::PtyLine& line : lines) ASSERT_TRUE(line.Open(""));
  const QList<DetectedDevice> devices{
      Device(lines[0], "ttyUSB10", "CP2102 USB to UART Bridge Controller"),
      Device(lines[1], "ttyUSB2", "FT232R USB UART"),
      Device(lines[2], "ttyACM0", "USB 2341:0043"),
      Device(lines[3], "ttyUSB9", "USB-Serial Controller"),
  };
  // COM1 reaches ttyUSB2 through a link, COM3 a pseudo-terminal no one detects, COM5 nothing
  // that is there; the others lead to the built-in ports this machine does not have.
  const std::string link = folder.File("printer");
  std::filesystem::create_symlink(lines[1].DevicePath(), link);
  const std::map<int, QString> map{
      {1, Path(link)}, {3, Path(lines[4].DevicePath())}, {5, Path(folder.File("ttyUSB7"))}};
  const auto comDevice = [&](int number) {
    const auto mapped = map.find(number);
    return mapped != map.end() ? mapped->second
                               : Path(folder.File("ttyS" + std::to_string(number - 1)));
  };

  const std::vector<ports::PortEntry> entries = ports::BuildPortList(devices, comDevice);
  const QString terminal = QFileInfo(Path(lines[4].DevicePath())).canonicalFilePath().mid(5);
  EXPECT_EQ(
      Labels(entries, InterfaceLanguage::English),
      (QStringList{"COM1 — ttyUSB2, FT232R USB UART", "COM2 — not present", "COM3 — " + terminal,
                   "COM4 — not present", "COM5 — not present", "COM6 — not present",
                   "ttyACM0 — USB 2341:0043", "ttyUSB9 — USB-Serial Controller",
                   "ttyUSB10 — CP2102 USB to UART Bridge Controller"}));
  EXPECT_EQ(Labels(entries, InterfaceLanguage::Bulgarian)[1], "COM2 — няма устройство");
  EXPECT_TRUE(terminal.startsWith("pts/")) << terminal.toStdString();

  for (int number = 1; number <= ports::kComEntries; ++number) {
    EXPECT_EQ(entries[number - 1].comNumber, number);
    EXPECT_EQ(entries[number - 1].device, comDevice(number)) << "COM entries open as always";
  }
  EXPECT_EQ(entries[0].detected, devices[1]);
  EXPECT_EQ(entries[8].comNumber, 0);
  EXPECT_EQ(entries[8].device, devices[0].path);
  EXPECT_TRUE(entries[0].Reaches(devices[1].stableName));
  EXPECT_TRUE(entries[8].Reaches(devices[0].path));
  EXPECT_FALSE(entries[8].Reaches(devices[1].stableName));
  EXPECT_FALSE(entries[2].Reaches(Path(lines[4].DevicePath()))) << "a terminal is no device";
  EXPECT_FALSE(entries[1].Reaches(""));

  // The same devices in another order make the same list.
  const QList<DetectedDevice> reordered{devices[3], devices[2], devices[1], devices[0]};
  EXPECT_EQ(Labels(ports::BuildPortList(reordered, comDevice), InterfaceLanguage::English),
            Labels(entries, InterfaceLanguage::English));
}

TEST(PortList, OnWindowsAComEntryReachesTheDeviceOfItsName) {
  const QList<DetectedDevice> devices{{"com3", "COM3", "USB-SERIAL CH340", "COM3"},
                                      {"COM9", "COM9", "USB-SERIAL CH340", "COM9"}};
  // Names as Windows gives them: no paths, so compared as names, in either case.
  const auto entries =
      ports::BuildPortList(devices, [](int number) { return QStringLiteral("COM%1").arg(number); });
  ASSERT_EQ(entries.size(), 7U);
  EXPECT_EQ(entries[2].Label(InterfaceLanguage::English), "COM3 — USB-SERIAL CH340");
  EXPECT_EQ(entries[6].Label(InterfaceLanguage::English), "COM9 — USB-SERIAL CH340");
}

// Added network ports follow the detected devices, are there by definition, and are searched
// after the local ports unless one of them is the selected entry.
TEST(PortList, NetworkPortsComeLastAndAreSearchedAfterTheLocalOnes) {
  vprinter::PtyLine line;
  ASSERT_TRUE(line.Open(""));
  const QList<DetectedDevice> devices{Device(line, "ttyUSB0", "FT232R USB UART")};
  const QStringList added{"rfc2217://shop12.lan:7000", "socket://[fe80::1]:4001", "shop12.lan:7000",
                          "rfc2217://shop12.lan"};
  const auto entries = ports::BuildPortList(
      devices, [](int number) { return QStringLiteral("/nonexistent/ttyS%1").arg(number); }, added);

  ASSERT_EQ(entries.size(), 9U) << "the two that are not addresses are left out";
  const QStringList english = Labels(entries, InterfaceLanguage::English);
  EXPECT_EQ(english.mid(6),
            QStringList({"ttyUSB0 — FT232R USB UART", "shop12.lan:7000 — network, RFC 2217",
                         "[fe80::1]:4001 — network, raw TCP"}));
  EXPECT_EQ(entries[7].Label(InterfaceLanguage::Bulgarian), "shop12.lan:7000 — мрежов, RFC 2217");
  EXPECT_EQ(entries[8].Label(InterfaceLanguage::Bulgarian), "[fe80::1]:4001 — мрежов, чист TCP");
  EXPECT_TRUE(entries[7].IsPresent());
  EXPECT_TRUE(entries[7].Reaches("rfc2217://shop12.lan:7000"));
  EXPECT_FALSE(entries[7].Reaches("socket://shop12.lan:7000"));
  EXPECT_FALSE(entries[6].Reaches("rfc2217://shop12.lan:7000"));

  const auto devicesOf = [](const std::vector<printer::SearchPort>& ports) {
    std::vector<std::string> found;
    found.reserve(ports.size());
    for (const printer::SearchPort& port : ports) found.push_back(port.device);
    return found;
  };
  EXPECT_EQ(devicesOf(ports::SearchPorts(entries, -1)),
            std::vector<std::string>(
                {line.DevicePath(), "rfc2217://shop12.lan:7000", "socket://[fe80::1]:4001"}));
  const auto fromNetwork = ports::SearchPorts(entries, 8);
  EXPECT_EQ(devicesOf(fromNetwork),
            std::vector<std::string>(
                {"socket://[fe80::1]:4001", line.DevicePath(), "rfc2217://shop12.lan:7000"}));
  EXPECT_EQ(fromNetwork[0].name, "[fe80::1]:4001");
}

TEST(PortList, ANetworkAddressIsMadeFromItsParts) {
  EXPECT_EQ(ports::NetworkPortAddress(" shop12.lan ", 7000, true), "rfc2217://shop12.lan:7000");
  EXPECT_EQ(ports::NetworkPortAddress("fe80::1", 4001, false), "socket://[fe80::1]:4001");
  EXPECT_EQ(ports::NetworkPortAddress("[fe80::1]", 4001, false), "socket://[fe80::1]:4001");
  EXPECT_EQ(ports::NetworkPortAddress("", 7000, true), "");
  EXPECT_EQ(ports::NetworkPortAddress("shop12.lan", 0, true), "");
  EXPECT_EQ(ports::NetworkPortAddress("shop12.lan/x", 7000, true), "");
}

TEST(PortList, AnEntryThatReachesTheSystemConsoleSaysSo) {
  const TempDir folder;
  std::array<vprinter::PtyLine, 2> lines;
  for (vprinter::PtyLine& line : lines) ASSERT_TRUE(line.Open(""));
  const QList<DetectedDevice> devices{Device(lines[0], "ttyS0", "16550A UART"),
                                      Device(lines[1], "ttyS4", "16550A UART")};
  const std::string list = folder.File("active");
  std::ofstream(list) << "tty0 " << lines[0].DevicePath().substr(5) << ' '
                      << lines[1].DevicePath().substr(5) << '\n';
  system_console::SetActiveList(list);
  const auto comDevice = [&](int number) {
    return number == 1 ? Path(lines[0].DevicePath())
                       : Path(folder.File("ttyS" + std::to_string(number - 1)));
  };

  const std::vector<ports::PortEntry> entries = ports::BuildPortList(devices, comDevice);
  system_console::SetActiveList("/sys/class/tty/console/active");
  ASSERT_EQ(entries.size(), 7U);
  EXPECT_EQ(entries[0].Label(InterfaceLanguage::English), "COM1 — ttyS0, system console");
  EXPECT_EQ(entries[0].Label(InterfaceLanguage::Bulgarian), "COM1 — ttyS0, системна конзола");
  EXPECT_EQ(entries[1].Label(InterfaceLanguage::English), "COM2 — not present");
  EXPECT_EQ(entries[6].Label(InterfaceLanguage::English), "ttyS4 — system console");
  EXPECT_TRUE(entries[0].console && entries[6].console && !entries[1].console);
}

}  // namespace
