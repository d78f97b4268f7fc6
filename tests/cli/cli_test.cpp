// quillsetter-cli run as a program against virtual printers on ptys, with its own settings
// folder; and the bytes of apply compared with the window's Set.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

#include "cli_fixture.h"
#include "serial.h"
#include "settings_sequence.h"
#include "virtual_printer.h"

namespace {

TEST_F(CliTest, IdentifyAndFindTellWhereThePrinterIsOrWhyNot) {
  AddPrinter(1, AnsweringAs(kFamily1Model, 2400));
  vprinter::Options silent;
  silent.silent = true;
  AddPrinter(2, silent);
  AddPrinter(3, AnsweringAs("Acme X1"));
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

// The ports given are tried at once, and the result is still the first of them in order with a
// supported printer: COM1's answers only at the seventh rate, long after COM3's.
TEST_F(CliTest, FindTriesThePortsGivenAtOnceAndKeepsTheirOrderForTheResult) {
  AddPrinter(1, AnsweringAs(kFamily1Model, 2400));
  vprinter::Options silent;
  silent.silent = true;
  AddPrinter(2, silent);
  AddPrinter(3, AnsweringAs("Tavrin MR2200T", 9600));

  const Outcome run = Cli({"find", "--port", "COM1", "--port", "COM2", "--port", "COM3", "--json"});

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(Json(run.out), Expected("COM1", printers_[0]->DevicePath(), 2400, kFamily1Model, 1));
  EXPECT_TRUE(run.err.contains("COM1 at 2400 bps (Trying 3 ports at once; done: "))
      << run.err.toStdString();
  EXPECT_EQ(printers_[2]->IdentifyCount(), 1);
}

TEST_F(CliTest, UsageBadFilesAndPortsThatWillNotOpenHaveTheirStatus) {
  EXPECT_EQ(Cli({"identify", "--port", "COM1"}).status, 2);
  EXPECT_EQ(Cli({"apply", "--port", "COM1", "--baud", "9600"}).status, 2);
  EXPECT_EQ(Cli({"frobnicate"}).status, 2);
  const Outcome help = Cli({"apply", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.contains("130")) << "the exit statuses are documented";
  EXPECT_TRUE(
      help.out.simplified().contains(QStringLiteral("(default %1;").arg(printer::kSequencePauseMs)))
      << help.out.toStdString();

  AddPrinter(1, AnsweringAs(kFamily1Model));
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

// A printer's name goes to the terminal with its control bytes escaped and its "%1" as it is;
// with --json every outcome is one object, a failure with the port, device and rate it tried.
TEST_F(CliTest, OddNamesAndFailuresComeOutCleanAndAsJson) {
  const std::string odd = "Acme %1 \x1b[2J";
  AddPrinter(1, AnsweringAs(odd));
  vprinter::Options silent;
  silent.silent = true;
  const std::string quiet = AddPrinter(2, silent).DevicePath();

  Outcome run = Cli({"identify", "--port", "COM1", "--baud", "9600"});
  EXPECT_EQ(run.status, 4);
  EXPECT_TRUE(run.err.contains("This printer model (Acme %1 \\x1b[2J) is not supported!"))
      << run.err.toStdString();
  EXPECT_FALSE(run.err.contains(QChar(0x1B)));
  run = Cli({"identify", "--port", "COM1", "--baud", "9600", "--json"});
  EXPECT_EQ(Json(run.out),
            QJsonObject({{"error", QString::fromStdString("This printer model (" + odd +
                                                          ") is not supported!")},
                         {"status", 4},
                         {"port", "COM1"},
                         {"device", QString::fromStdString(printers_[0]->DevicePath())},
                         {"baud", 9600}}));

  run = Cli({"identify", "--port", "COM2", "--baud", "4800", "--json"});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(Json(run.out)["status"].toInt(), 3);
  EXPECT_EQ(Json(run.out)["device"].toString(), QString::fromStdString(quiet));
  EXPECT_EQ(Json(run.out)["baud"].toInt(), 4800);
  EXPECT_TRUE(Json(run.out)["error"].toString().startsWith("No printer answered on COM2"));

  run = Cli({"identify", "--port", "COM1", "--json"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(Json(run.out)["status"].toInt(), 2);
  EXPECT_FALSE(Json(run.out)["error"].toString().isEmpty());

  run = Cli({"find", "--port", "COM2", "--json"});
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(Json(run.out)["error"].toString().contains("COM2: no answer"));
}

// COM numbers beyond the list's six resolve as the window's do: the [Ports] map, else the
// system's device of that number; never a file of that name in the current folder.
TEST_F(CliTest, AnyComNumberGoesThroughTheMapOrToItsSystemDevice) {
  const std::string mapped = AddPrinter(7, AnsweringAs(kFamily1Model)).DevicePath();
  Outcome run = Cli({"identify", "--port", "COM7", "--baud", "9600", "--json"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(Json(run.out), Expected("COM7", mapped, 9600, kFamily1Model, 1));

  const QTemporaryDir folder;
  QFile decoy(folder.filePath("COM12"));
  ASSERT_TRUE(decoy.open(QIODevice::WriteOnly));
  process_.setWorkingDirectory(folder.path());
  run = Cli({"identify", "--port", "com12", "--baud", "9600", "--json"});
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(Json(run.out)["port"].toString(), "COM12");
  EXPECT_EQ(Json(run.out)["device"].toString(), "/dev/ttyS11");
}

TEST_F(CliTest, CtrlCDuringApplyStopsAtTheNextStepAndFreesThePort) {
  auto& printer = AddPrinter(1, AnsweringAs(kFamily1Model));
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

}  // namespace

int main(int argc, char** argv) {
  qputenv("LC_ALL", "C");
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  qputenv("XDG_CACHE_HOME", QFile::encodeName(config.path()));
  const QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
