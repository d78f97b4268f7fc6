// The stored list of added network ports in a real settings file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

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

// Two processes (two windows) adding network ports at the same time: each read the list, added
// its port and wrote the list back over the other's (26 of 50 kept, all reported saved).
TEST(NetworkPorts, PortsAddedByTwoProcessesAtOnceAreAllKept) {
  const SettingsFolder folder;
  folder.Write("[General]\nBaud=5\n");
  constexpr int kEach = 20;
  std::vector<pid_t> children;
  for (const char* host : {"a.lan", "bbbb.lan"}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool saved = true;
      for (int i = 0; i < kEach; ++i) {
        saved = prefs::AddNetworkPort(QStringLiteral("rfc2217://%1:%2").arg(host).arg(7000 + i)) &&
                saved;
      }
      _exit(saved ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every add said saved";
  }
  EXPECT_EQ(prefs::NetworkPorts().size(), 2 * kEach);
  EXPECT_EQ(folder.Values().value("Baud"), "5") << "the rest of the file is kept";
}

}  // namespace
