// The stored list of added network ports in a real settings file.
#include <gtest/gtest.h>

#include "network_ports.h"
#include "settings_folder.h"

namespace {

TEST(NetworkPorts, AddedPortsAreKeptInOrderOnceEachAndCanBeRemoved) {
  const SettingsFolder folder;
  folder.Write("[Ports]\nCOM1=/dev/ttyUSB0\n");
  EXPECT_TRUE(prefs::NetworkPorts().isEmpty());

  EXPECT_TRUE(prefs::AddNetworkPort("rfc2217://shop12.lan:7000"));
  EXPECT_TRUE(prefs::AddNetworkPort("socket://10.0.0.5:4001"));
  EXPECT_TRUE(prefs::AddNetworkPort("rfc2217://shop12.lan:7000"));
  EXPECT_FALSE(prefs::AddNetworkPort("shop12.lan:7000")) << "not an address";
  EXPECT_EQ(prefs::NetworkPorts(),
            QStringList({"rfc2217://shop12.lan:7000", "socket://10.0.0.5:4001"}));
  QMap<QString, QString> values = folder.Values();
  EXPECT_EQ(values.value("NetworkPorts/1"), "rfc2217://shop12.lan:7000");
  EXPECT_EQ(values.value("NetworkPorts/2"), "socket://10.0.0.5:4001");
  EXPECT_EQ(values.value("Ports/COM1"), "/dev/ttyUSB0") << "the rest of the file is kept";

  EXPECT_TRUE(prefs::RemoveNetworkPort("rfc2217://shop12.lan:7000"));
  EXPECT_EQ(prefs::NetworkPorts(), QStringList({"socket://10.0.0.5:4001"}));
  values = folder.Values();
  EXPECT_EQ(values.value("NetworkPorts/1"), "socket://10.0.0.5:4001");
  EXPECT_FALSE(values.contains("NetworkPorts/2")) << "the longer list's last key is gone";
}

TEST(NetworkPorts, AHandEditedListIsReadInKeyOrderWithoutWhatIsNoAddress) {
  const SettingsFolder folder;
  folder.Write(
      "[NetworkPorts]\n10=socket://[fe80::1]:4001\n2=rfc2217://shop12.lan:7000\n"
      "3=ttyUSB0\n4=rfc2217://shop12.lan:7000\n1=rfc2217://10.0.0.9:7000\n");
  EXPECT_EQ(prefs::NetworkPorts(),
            QStringList({"rfc2217://10.0.0.9:7000", "rfc2217://shop12.lan:7000",
                         "socket://[fe80::1]:4001"}));
}

}  // namespace
