// batch, the dry run, the install log, the slip, the code-page proof and the parser's usage
// errors, through the program against virtual printers.
#include <QElapsedTimer>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

#include "cli_fixture.h"
#include "code_page_proof.h"
#include "printer.h"

namespace {

using Kind = vprinter::CommandKind;

// Every setting; the new rate 115200 (NewBaud=7).
const QStringList kShopSettings = {"Intensity=3",  "Speed=1",      "Country=0", "CodePage=15",
                                   "NewBaud=7",    "Autocutter=1", "Paper=1",   "Protocol=0",
                                   "Commandset=0", "DsiableESCt=0"};

std::vector<QJsonObject> JsonLines(const QString& text) {
  std::vector<QJsonObject> objects;
  for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) objects.push_back(Json(line));
  return objects;
}

int CountOf(const vprinter::VirtualPrinter& printer, Kind kind) {
  const auto commands = printer.Commands();
  return static_cast<int>(
      std::count_if(commands.begin(), commands.end(),
                    [kind](const auto& command) { return command.kind == kind; }));
}

class BatchTest : public CliTest {};

TEST_F(BatchTest, ConfiguresEveryPrinterAtOnceLogsEachAndSumsUp) {
  auto& restarting = AddPrinter(1, AnsweringAs(kFamily1Model, 9600));
  auto& family0 = AddPrinter(2, AnsweringAs(kFamily0Model, 2400));
  auto& sameRate = AddPrinter(3, AnsweringAs(kFamily1Model, 115200));
  vprinter::Options silent;
  silent.silent = true;
  AddPrinter(4, silent);
  const QString file = SettingsFile(kShopSettings);
  const QString log = config_.filePath("installs.jsonl");

  const Outcome run = Cli({"batch", file, "--port", "COM1", "--port", "COM2", "--port", "COM3",
                           "--port", "COM4", "--json", "--log", log, "--pause-ms", "10"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out.toStdString();
  std::map<QString, QJsonObject> byPort;
  for (std::size_t i = 0; i < 4; ++i) byPort[lines[i]["port"].toString()] = lines[i];

  EXPECT_EQ(byPort["COM1"]["result"], "restart-needed");
  EXPECT_EQ(byPort["COM1"]["status"], "restart needed at 115200 bps");
  EXPECT_EQ(byPort["COM1"]["baud_before"], 9600);
  EXPECT_EQ(byPort["COM1"]["baud_after"], 115200);
  EXPECT_EQ(byPort["COM1"]["family"], 1);
  EXPECT_EQ(byPort["COM1"]["device"], QString::fromStdString(restarting.DevicePath()));
  EXPECT_EQ(byPort["COM2"]["result"], "configured");
  EXPECT_EQ(byPort["COM2"]["model"], kFamily0Model);
  EXPECT_EQ(byPort["COM2"]["baud_after"], 2400);
  EXPECT_EQ(byPort["COM3"]["result"], "configured") << "already at the new rate";
  EXPECT_EQ(byPort["COM4"]["result"], "no-printer");
  EXPECT_EQ(byPort["COM4"]["family"], -1);

  const QJsonObject summary = lines[4]["summary"].toObject();
  EXPECT_EQ(summary["ports"], 4);
  EXPECT_EQ(summary["configured"], 2);
  EXPECT_EQ(summary["restart-needed"], 1);
  EXPECT_EQ(summary["no-printer"], 1);
  EXPECT_EQ(summary["failed"], 0);

  // Each printer got its family's sequence, and its model was asked again after it.
  for (auto* printer : {&restarting, &sameRate}) {
    EXPECT_EQ(CountOf(*printer, Kind::DipSwitch), 8);
    EXPECT_EQ(CountOf(*printer, Kind::Closing), 1);
    EXPECT_EQ(printer->Commands().back().kind, Kind::Identify) << "the confirmation";
  }
  EXPECT_EQ(CountOf(family0, Kind::DipSwitch), 0);
  EXPECT_EQ(CountOf(family0, Kind::Closing), 1);

  // One record a printer, with the file's digest; the silent port has none.
  const Outcome shown = Cli({"log", log, "--json"});
  ASSERT_EQ(shown.status, 0) << shown.err.toStdString();
  const auto records = JsonLines(shown.out);
  ASSERT_EQ(records.size(), 3u);
  for (const QJsonObject& record : records) {
    EXPECT_EQ(record["sha256"].toString().size(), 64);
    EXPECT_EQ(record["settings_file"].toString(), file);
    EXPECT_EQ(record["settings"].toObject()["CodePage"], 15);
    EXPECT_EQ(record["result"], byPort[record["port"].toString()]["result"]);
  }
  const Outcome table = Cli({"log", log});
  EXPECT_TRUE(table.out.startsWith("TIME")) << table.out.toStdString();
  EXPECT_EQ(table.out.count(u'\n'), 3);
  EXPECT_TRUE(table.out.contains("restart needed at 115200 bps"));

  // The lines for people: one a port, then the counts.
  const Outcome text = Cli({"batch", file, "--port", "COM4", "--pause-ms", "10"});
  EXPECT_EQ(text.status, 3) << "no printer found";
  EXPECT_TRUE(text.out.startsWith("COM4 (")) << text.out.toStdString();
  EXPECT_TRUE(text.out.endsWith("1 ports: 1 no printer")) << text.out.toStdString();
}

TEST_F(BatchTest, WaitRestartFollowsThePrinterThroughItsPowerCycle) {
  auto& printer = AddPrinter(1, AnsweringAs(kFamily1Model, 9600));
  Start({"batch", SettingsFile(kShopSettings), "--port", "COM1", "--json", "--wait-restart",
         "--pause-ms", "10"});
  // Sent and confirmed: the closing command, then the model asked again.
  QElapsedTimer clock;
  clock.start();
  const auto confirmed = [&printer] {
    const auto commands = printer.Commands();
    return CountOf(printer, Kind::Closing) == 1 && commands.back().kind == Kind::Identify;
  };
  while (!confirmed() && clock.elapsed() < 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(confirmed());
  ASSERT_TRUE(printer.PowerCycle(300));
  const Outcome run = Finish(20000);
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out.toStdString();
  EXPECT_EQ(lines[0]["result"], "configured");
  EXPECT_EQ(lines[0]["status"], "configured at 115200 bps");
  EXPECT_EQ(printer.LineBaud(), 115200u) << "the DIP switches took effect";
}

TEST_F(BatchTest, AFailedPrinterMakesTheStatusSeven) {
  vprinter::Options stopsAnswering = AnsweringAs(kFamily1Model);
  stopsAnswering.stopAfter = 1;  // answers the search, not the liveness check
  AddPrinter(1, stopsAnswering);
  AddPrinter(2, AnsweringAs(kFamily0Model));
  const Outcome run = Cli({"batch", SettingsFile(kShopSettings), "--port", "COM1", "--port", "COM2",
                           "--json", "--pause-ms", "10"});
  EXPECT_EQ(run.status, 7) << run.err.toStdString();
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2]["summary"].toObject()["failed"], 1);
  EXPECT_EQ(lines[2]["summary"].toObject()["configured"], 1);
}

TEST_F(BatchTest, PortsAreServedInParallel) {
  constexpr int kPauseMs = 500;
  for (int port = 1; port <= 4; ++port) AddPrinter(port, AnsweringAs(kFamily1Model));
  const QString file = SettingsFile(kShopSettings);
  QElapsedTimer clock;
  clock.start();
  const Outcome run = Cli({"batch", file, "--port", "COM1", "--port", "COM2", "--port", "COM3",
                           "--port", "COM4", "--pause-ms", QString::number(kPauseMs)});
  const qint64 elapsed = clock.elapsed();
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  // Nine pauses a printer: one after the other, four printers take 18 s.
  const int oneSend = 9 * kPauseMs;
  EXPECT_GE(elapsed, oneSend);
  EXPECT_LT(elapsed, 3 * oneSend) << "the ports did not overlap";
}

TEST_F(BatchTest, CtrlCStopsEveryPortAtItsNextStep) {
  auto& first = AddPrinter(1, AnsweringAs(kFamily1Model));
  auto& second = AddPrinter(2, AnsweringAs(kFamily1Model));
  Start({"batch", SettingsFile(kShopSettings), "--port", "COM1", "--port", "COM2", "--json",
         "--pause-ms", "2000"});
  // The search's identify, the liveness check, the block's four commands and the settings end.
  ASSERT_TRUE(first.WaitForCommands(7, 10000));
  ASSERT_TRUE(second.WaitForCommands(7, 10000));
  QElapsedTimer clock;
  clock.start();
  ::kill(static_cast<pid_t>(process_.processId()), SIGINT);
  const Outcome run = Finish(5000);
  EXPECT_EQ(run.status, 130);
  EXPECT_LT(clock.elapsed(), 1500) << "the pauses end at once";
  EXPECT_EQ(CountOf(first, Kind::DipSwitch), 0);
  EXPECT_EQ(CountOf(second, Kind::DipSwitch), 0);
  const auto lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 3u) << run.out.toStdString();
  EXPECT_EQ(lines[0]["status"], "interrupted");
  EXPECT_EQ(lines[1]["status"], "interrupted");
}

TEST_F(BatchTest, ADryRunSendsOnlyTheIdentifyQuery) {
  auto& printer = AddPrinter(1, AnsweringAs(kFamily1Model, 9600));
  const QString file = SettingsFile(kShopSettings);
  const Outcome run = Cli({"apply", file, "--port", "COM1", "--baud", "9600", "--dry-run"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_FALSE(printer.WaitForReceived(3, 300));
  EXPECT_EQ(printer.Received(), (std::vector<std::uint8_t>{0x1B, 0x5A}));
  const QStringList lines = run.out.split(u'\n');
  ASSERT_EQ(lines.size(), 14) << run.out.toStdString();
  EXPECT_TRUE(lines[0].startsWith("COM1 (")) << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains("1B 5A")) << "the liveness check";
  EXPECT_TRUE(lines[2].contains("1B 59 03 1B 58 01 1B 52 00 1B 74 0F"));
  EXPECT_TRUE(lines[2].contains("code page Windows Cyrilic (CP1251)"));
  EXPECT_TRUE(lines[3].endsWith("settings end; then 1500 ms")) << lines[3].toStdString();
  EXPECT_TRUE(lines[11].contains("DIP switch 8 = 1"));
  EXPECT_TRUE(lines[13].startsWith("Total: 12 steps, 51 bytes, 13500 ms of pauses, 13553 ms"))
      << lines[13].toStdString();

  // With a model named, no port at all; the plan as JSON.
  printer.ClearReceived();
  const Outcome named = Cli({"batch", file, "--dry-run", "--model", "Tavrin MR71C Printer",
                             "--json", "--pause-ms", "100"});
  ASSERT_EQ(named.status, 0) << named.err.toStdString();
  const QJsonObject plan = Json(named.out);
  EXPECT_EQ(plan["family"], 0);
  EXPECT_EQ(plan["steps"].toArray().size(), 4);
  EXPECT_EQ(plan["pause_ms"], 100);
  EXPECT_EQ(plan["steps"].toArray()[2].toObject()["meaning"].toArray()[0], "settings end");
  EXPECT_EQ(Cli({"test-page", "--dry-run", "--model", "Acme X1"}).status, 4);
  EXPECT_FALSE(printer.WaitForReceived(1, 200)) << "nothing reached the printer";
}

TEST_F(BatchTest, ApplyPrintsTheSlipAndLogsTheSend) {
  auto& printer = AddPrinter(1, AnsweringAs(kFamily0Model));
  const QString log = config_.filePath("apply.jsonl");
  printer.ClearReceived();
  const Outcome run = Cli({"apply", SettingsFile(kShopSettings), "--port", "COM1", "--baud", "9600",
                           "--slip", "--log", log, "--pause-ms", "10"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  // The program may end before the printer has read the last of the slip: the cut, ESC @.
  QElapsedTimer clock;
  clock.start();
  const auto ended = [&printer] {
    const auto commands = printer.Commands();
    return commands.size() > 2 && commands.end()[-2].kind == Kind::Cut &&
           commands.back().kind == Kind::Initialize;
  };
  while (!ended() && clock.elapsed() < 3000)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto commands = printer.Commands();
  const auto closing = std::find_if(commands.begin(), commands.end(), [](const auto& command) {
    return command.kind == Kind::Closing;
  });
  ASSERT_NE(closing, commands.end());
  // The slip after the send: ESC @, ESC t, its lines, the cut, ESC @.
  ASSERT_GT(commands.end() - closing, 10);
  EXPECT_EQ(closing[1].kind, Kind::Initialize);
  EXPECT_EQ(closing[2].kind, Kind::CodePage);
  EXPECT_EQ(commands.end()[-2].kind, Kind::Cut);
  EXPECT_EQ(commands.back().kind, Kind::Initialize);
  std::string text;
  for (auto it = closing; it != commands.end(); ++it) {
    if (it->kind == Kind::Text) text.append(it->bytes.begin(), it->bytes.end());
  }
  EXPECT_NE(text.find("Model: Tavrin MR71C Printer"), std::string::npos) << text;
  EXPECT_NE(text.find("File: shop.quillsetter"), std::string::npos) << text;

  const auto records = JsonLines(Cli({"log", log, "--json"}).out);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["result"], "configured");
  EXPECT_EQ(records[0]["port"], "COM1");
  EXPECT_EQ(records[0]["baud_after"], 9600);
}

TEST_F(BatchTest, CodePagesPrintsTheProofOfTheTextGiven) {
  auto& printer = AddPrinter(1, AnsweringAs(kFamily0Model));
  const Outcome run = Cli({"code-pages", "--port", "COM1", "--baud", "9600", "--text", "Здравей"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  std::vector<std::uint8_t> expected = {0x1B, 0x5A};
  for (const auto& step : printer::BuildCodePageProof("Здравей")) {
    expected.insert(expected.end(), step.bytes.begin(), step.bytes.end());
  }
  ASSERT_TRUE(printer.WaitForReceived(expected.size(), 2000));
  EXPECT_EQ(printer.Received(), expected);
}

TEST_F(BatchTest, UsageErrorsExitTwoWithTheParsersMessage) {
  const std::vector<std::pair<QStringList, QString>> cases = {
      {{"apply", "--bogus"}, "Unknown option 'bogus'."},
      {{"batch"}, "Missing argument FILE."},
      {{"batch", "a", "b"}, "Unexpected argument 'b'."},
      {{"identify", "--port", "COM1", "--port", "COM2", "--baud", "9600"},
       "Option '--port' given twice."},
      {{"identify", "--port"}, "Missing value after '--port'."},
      {{"apply", "f", "--model", "X"}, "Option '--model' needs '--dry-run'."},
      {{"code-pages", "--port", "COM1"}, "Missing option '--baud'."},
      {{"log", "--slip"}, "Unknown option 'slip'."},
      {{}, "No command given."},
  };
  for (const auto& [arguments, message] : cases) {
    const Outcome run = Cli(arguments);
    EXPECT_EQ(run.status, 2) << arguments.join(u' ').toStdString();
    EXPECT_TRUE(run.err.startsWith("quillsetter-cli: " + message))
        << arguments.join(u' ').toStdString() << ": " << run.err.toStdString();
  }
  const Outcome help = Cli({"batch", "--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option :
       {"--port", "--json", "--log", "--slip", "--wait-restart", "--dry-run"}) {
    EXPECT_TRUE(help.out.contains(option)) << option;
  }
  EXPECT_FALSE(help.out.contains("--baud")) << "batch finds the rate";
  EXPECT_TRUE(help.out.contains("7    batch: some printers failed"));
}

}  // namespace
