// The window's Set and the command line's apply send the same bytes for the same settings.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <utility>
#include <vector>

#include "printer_settings_file.h"
#include "window_fixture.h"

namespace {

using CliAgreement = WindowTest;

TEST_F(CliAgreement, ApplySendsTheBytesOfTheWindowsSet) {
  vprinter::VirtualPrinter forCli(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(forCli.Start());
  Store("Ports/COM2", QString::fromStdString(forCli.DevicePath()));
  auto& forWindow = StartPrinter(kFamily1Model);
  printer::PrinterSettings settings;
  settings.intensity = 4;
  settings.speed = 2;
  settings.country = 6;
  settings.codePage = 15;
  settings.newBaud = 7;
  settings.protocol = 1;
  settings.esct = 1;
  settings.paper = 0;
  const QTemporaryDir folder;
  const QString file = folder.filePath("same.quillsetter");
  ASSERT_TRUE(prefs::SavePrinterSettings(file, settings, kFamily1Model));

  QProcess cli;
  cli.start(QStringLiteral(QUILLSETTER_CLI),
            {"apply", file, "--port", "COM2", "--baud", "115200", "--pause-ms", "10", "--json"});
  ASSERT_TRUE(cli.waitForFinished(20000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  EXPECT_EQ(QJsonDocument::fromJson(cli.readAllStandardOutput()).object()["model"].toString(),
            kFamily1Model);

  OpenWindow();
  Click("Connect");
  ASSERT_TRUE(Connected(*window_));
  const std::vector<std::pair<const char*, int>> lists = {
      {"cbIntensity", 4},  {"cbSpeed", 2},     {"cbCountry", 6}, {"cbCodePage", 15},
      {"cbNewBaud", 7},    {"cbProtocol", 1},  {"cbEsct", 1},    {"cbPaper", 0},
      {"cbAutoCutter", 1}, {"cbCommandSet", 0}};
  for (const auto& [name, index] : lists) Select(name, index);
  Click("Set");

  const Bytes sent = forCli.Received();
  ASSERT_TRUE(forWindow.WaitForReceived(sent.size(), 2000));
  EXPECT_EQ(forWindow.Received(), sent);
  EXPECT_GT(sent.size(), 40u);
}

}  // namespace
