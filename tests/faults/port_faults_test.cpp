// Ports that cannot be had: a device path that leads nowhere usable, a port another program
// holds, a device the user may not open.
#include <unistd.h>

#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "child_process.h"
#include "faults_fixture.h"
#include "temp_dir.h"

namespace {

using PortFaults = FaultTest;

TEST_F(PortFaults, ComOneLeadingToNoTerminalFailsToConnectAndChangesNothing) {
  const TempDir folder;
  const std::string file = folder.File("not-a-tty");
  std::ofstream(file) << "COM1\n";
  const std::string directory = folder.File("a-folder");
  std::filesystem::create_directory(directory);
  const std::string loop = folder.File("loop");
  std::filesystem::create_symlink(loop, loop);

  const auto notSerial = [](const std::string& path) {
    return ConnectFailedBecause(QString::fromStdString(path + " is not a serial port."));
  };
  const std::pair<std::string, QString> paths[] = {
      {folder.File("missing"), ConnectFailedBecause(QString::fromStdString(
                                   "There is no device at " + folder.File("missing") + "."))},
      {file, notSerial(file)},
      {directory, notSerial(directory)},
      // The system gives no reason a user could act on.
      {loop, kConnectFailed},
      {"/dev/null", notSerial("/dev/null")},
  };

  OpenWindow();
  Select("cbBaud", 3);
  Select("cbSpeed", 2);
  for (const auto& [path, message] : paths) {
    messages_.clear();
    MapComOne(path);
    Click("Connect");
    EXPECT_EQ(messages_, QStringList{message}) << path;
    ExpectNotConnected("");
    EXPECT_EQ(Selected("cbBaud"), 3) << path;
    EXPECT_EQ(Selected("cbSpeed"), 2) << path;
  }
  std::ifstream written(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "COM1\n");
}

struct Holder {
  const char* label;
  // The program and arguments that hold the device.
  QStringList (*command)(const QString& device);
  const char* program;  // the name the system gives the holding process
};

void PrintTo(const Holder& holder, std::ostream* out) { *out << holder.label; }

class HeldPort : public FaultTest, public testing::WithParamInterface<Holder> {};

TEST_P(HeldPort, FailsToConnectAndChangesNothingUntilItIsFree) {
  StartPrinter(kFamily0Model);
  OpenWindow();
  {
    QStringList command = GetParam().command(QString::fromStdString(printer_->DevicePath()));
    const QString program = command.takeFirst();
    PortHolder holder(program, command);
    ASSERT_TRUE(holder.Holding());
    Click("Connect");
    EXPECT_EQ(messages_, QStringList{ConnectFailedBecause(
                             QStringLiteral("%1 is in use by another program (%2, process %3).")
                                 .arg(QString::fromStdString(printer_->DevicePath()),
                                      QString::fromLatin1(GetParam().program),
                                      QString::number(holder.ProcessId())))});
    ExpectNotConnected("");
    EXPECT_EQ(printer_->IdentifyCount(), 0) << "nothing was sent to the port";
    EXPECT_TRUE(holder.Holding()) << "the holder keeps the port";
  }
  Click("Connect");
  EXPECT_EQ(messages_.size(), 1);
  ExpectConnected(kFamily0Model, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Holders, HeldPort,
    testing::Values(
        // Another copy of the tool, or any program that opens the port the same way.
        Holder{"Tserial",
               [](const QString& device) {
                 return QStringList{ChildProgram(), "hold", device};
               },
               "faults_child"},
        // A program that only locks the device.
        Holder{"flock",
               [](const QString& device) {
                 return QStringList{"flock",
                                    "--exclusive",
                                    "--nonblock",
                                    device,
                                    "sh",
                                    "-c",
                                    "echo held; exec cat >/dev/null"};
               },
               "flock"}),
    [](const testing::TestParamInfo<Holder>& info) { return std::string(info.param.label); });

// The window run in another process as a user without access to one device and with access to
// another. Root may open anything, so root drops to nobody; anyone else is refused a device that
// no one may open.
TEST_F(PortFaults, ADeviceTheUserMayNotOpenFailsToConnect) {
  const bool root = geteuid() == 0;
  const QString setpriv = QStandardPaths::findExecutable("setpriv");
  if (root && setpriv.isEmpty()) GTEST_SKIP() << "setpriv (util-linux) is missing";
  QStringList command{ChildProgram(), "connect"};
  if (root)
    command = QStringList{setpriv, "--reuid=nobody", "--regid=nogroup", "--clear-groups"} + command;

  const vprinter::Options options = AnsweringAs(kFamily1Model);
  vprinter::VirtualPrinter locked(options);
  vprinter::VirtualPrinter open(options);
  ASSERT_TRUE(locked.Start() && open.Start());
  namespace fs = std::filesystem;
  fs::permissions(locked.DevicePath(),
                  root ? fs::perms::owner_read | fs::perms::owner_write : fs::perms::none);
  fs::permissions(open.DevicePath(), fs::perms::owner_read | fs::perms::owner_write |
                                         fs::perms::group_read | fs::perms::group_write |
                                         fs::perms::others_read | fs::perms::others_write);

  // A settings folder the other user can read.
  const TempDir config;
  const std::string organisation = config.File("Tavrin Ltd");
  fs::create_directory(organisation);
  const auto readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(config.File(""), readable);
  fs::permissions(organisation, readable);
  const QStringList environment{"XDG_CONFIG_HOME=" + QString::fromStdString(config.File("")),
                                "QT_QPA_PLATFORM=offscreen", "LC_ALL=C"};
  const auto connectTo = [&](const vprinter::VirtualPrinter& printer) {
    std::ofstream(organisation + "/Quillsetter.conf")
        << "[Ports]\nCOM1=" << printer.DevicePath() << "\n";
    return OutputOf(command, environment, 30000);
  };

  // The message's two paragraphs come as three lines, the empty one left out.
  const QString device = QString::fromStdString(locked.DevicePath());
  const QString group = QFileInfo(device).group();
  EXPECT_EQ(connectTo(locked),
            (QStringList{"message=" + kConnectFailed,
                         QStringLiteral("No permission to open %1. Add your user to the group "
                                        "\"%2\" (sudo usermod -aG %2 $USER) and log in again.")
                             .arg(device, group),
                         "connected=0", "model="}));
  EXPECT_EQ(locked.IdentifyCount(), 0);
  EXPECT_EQ(connectTo(open), (QStringList{"connected=1", QStringLiteral("model=") + kFamily1Model}))
      << "the same user connects to a device it may open";
}

}  // namespace
