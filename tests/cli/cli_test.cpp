// quillsetter-cli run as a program against virtual printers on ptys, with its own settings
// folder; and the bytes of apply compared with the window's Set.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

#include "cli_fixture.h"
#include "mainform.h"
#include "printer_settings_file.h"
#include "serial.h"
#include "settings_sequence.h"
#include "size_hint_warnings.h"
#include "virtual_printer.h"

namespace {

TEST_F(CliTest, IdentifyAndFindTellWhereThePrinterIsOrWhyNot) {
  AddPrinter(1, Printer(kFamily1Model, 2400));
  vprinter::Options silent;
  silent.silent = true;
  AddPrinter(2, silent);
  AddPrinter(3, Printer("Acme X1"));
  const std::string supported = printers_[0]->DevicePath();

  Outcome run = Cli({"identify", "--port", "COM1", "--baud", "2400", "--json"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(Json(run.out), Expected("COM1", supported, 2400, kFamily1Model, 1));

  run = Cli({"identify", "--port", "COM2", "--baud", "2400"});
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(run.out.isEmpty());
  run = Cli({"identify", "--port", "COM3", "--baud", "9600"});
  EXPECT_EQ(run.status, 4);
  EXPECT_TRUE(run.err.contains("This printer model (Acme X1) is not supported!"));

  // Only the ports given, in their order; the supported one is found at its rate.
  run = Cli({"find", "--port", "COM2", "--port", QString::fromStdString(supported), "--json"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(Json(run.out), Expected(supported.c_str(), supported, 2400, kFamily1Model, 1));

  run = Cli({"find", "--port", "COM2", "--port", "COM3"});
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(run.err.contains("COM2: no answer")) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("COM3: Acme X1 (not supported) at 115200 bps"))
      << run.err.toStdString();
}

TEST_F(CliTest, UsageBadFilesAndPortsThatWillNotOpenHaveTheirStatus) {
  EXPECT_EQ(Cli({"identify", "--port", "COM1"}).status, 2);
  EXPECT_EQ(Cli({"apply", "--port", "COM1", "--baud", "9600"}).status, 2);
  EXPECT_EQ(Cli({"frobnicate"}).status, 2);
  const Outcome help = Cli({"apply", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.contains("130")) << "the exit statuses are documented";

  AddPrinter(1, Printer(kFamily1Model));
  Outcome run =
      Cli({"apply", config_.filePath("missing.quillsetter"), "--port", "COM1", "--baud", "9600"});
  EXPECT_EQ(run.status, 2);
  run = Cli(
      {"apply", SettingsFile({"Intensity=3", "Speed=fast"}), "--port", "COM1", "--baud", "9600"});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.contains("Speed")) << run.err.toStdString();
  EXPECT_EQ(printers_[0]->IdentifyCount(), 0) << "nothing reaches a printer from a bad file";

  run = Cli({"identify", "--port", "/dev/quillsetter-none", "--baud", "9600"});
  EXPECT_EQ(run.status, 5);
  EXPECT_TRUE(run.err.contains("There is no device at /dev/quillsetter-none."))
      << run.err.toStdString();
}

TEST_F(CliTest, CtrlCDuringApplyStopsAtTheNextStepAndFreesThePort) {
  auto& printer = AddPrinter(1, Printer(kFamily1Model));
  const QString file =
      SettingsFile({"Intensity=3", "Speed=0", "Country=0", "CodePage=0", "NewBaud=7",
                    "Autocutter=1", "Paper=1", "Protocol=0", "Commandset=0", "DsiableESCt=0"});
  Start({"apply", file, "--port", "COM1", "--baud", "9600", "--pause-ms", "2000"});
  // The identify, the liveness check, the block's four commands and the settings end.
  ASSERT_TRUE(printer.WaitForCommands(7, 5000));
  QElapsedTimer clock;
  clock.start();
  ::kill(static_cast<pid_t>(process_.processId()), SIGINT);
  const Outcome run = Finish(5000);
  EXPECT_EQ(run.status, 130);
  EXPECT_LT(clock.elapsed(), 1500) << "the pause ends at once";
  EXPECT_FALSE(printer.WaitForCommands(8, 300)) << "no DIP switch after the stop";
  Tserial serial;
  EXPECT_TRUE(serial.OpenDevice(printer.DevicePath(), 9600));
}

// The command line and the window send the same bytes for the same settings.
TEST_F(CliTest, ApplySendsTheBytesOfTheWindowsSet) {
  auto& forCli = AddPrinter(1, Printer(kFamily1Model));
  auto& forWindow = AddPrinter(2, Printer(kFamily1Model));
  printer::PrinterSettings settings;
  settings.intensity = 4;
  settings.speed = 2;
  settings.country = 6;
  settings.codePage = 15;
  settings.newBaud = 7;
  settings.protocol = 1;
  settings.esct = 1;
  settings.paper = 0;
  const QString file = config_.filePath("same.quillsetter");
  ASSERT_TRUE(prefs::SavePrinterSettings(file, settings, kFamily1Model));

  const Outcome run =
      Cli({"apply", file, "--port", "COM1", "--baud", "115200", "--pause-ms", "10", "--json"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(Json(run.out)["model"].toString(), kFamily1Model);

  TMainF window;
  window.SetMessageSink([](const QString&) {});
  window.SetPauseMs(10);
  window.findChild<QComboBox*>("cbPort")->setCurrentIndex(1);
  window.findChild<QPushButton*>("Connect")->click();
  ASSERT_TRUE(window.IsConnected());
  const std::vector<std::pair<const char*, int>> lists = {
      {"cbIntensity", 4},  {"cbSpeed", 2},     {"cbCountry", 6}, {"cbCodePage", 15},
      {"cbNewBaud", 7},    {"cbProtocol", 1},  {"cbEsct", 1},    {"cbPaper", 0},
      {"cbAutoCutter", 1}, {"cbCommandSet", 0}};
  for (const auto& [name, index] : lists) {
    window.findChild<QComboBox*>(name)->setCurrentIndex(index);
  }
  window.findChild<QPushButton*>("Set")->click();

  const Bytes sent = forCli.Received();
  ASSERT_TRUE(forWindow.WaitForReceived(sent.size(), 2000));
  EXPECT_EQ(forWindow.Received(), sent);
  EXPECT_GT(sent.size(), 40u);
}

}  // namespace

int main(int argc, char** argv) {
  // The window of the byte comparison needs no display, and neither does listing the tests.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("LC_ALL", "C");
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  DropSizeHintWarnings();
  const QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
