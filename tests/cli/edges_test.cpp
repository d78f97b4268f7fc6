// The command line at its edges: readers that go away, the session ended under it, a full disk,
// bytes that JSON must escape, one printer named twice, malformed command lines and addresses,
// a FIFO for a settings file, and files that leave out what a family is not sent.
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonParseError>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <thread>

#include "cli_fixture.h"
#include "install_log.h"
#include "printer.h"
#include "serial.h"

namespace {

using Kind = vprinter::CommandKind;

const QStringList kAllValues = {"Intensity=3",  "Speed=1",      "Country=0", "CodePage=15",
                                "NewBaud=7",    "Autocutter=1", "Paper=1",   "Protocol=0",
                                "Commandset=0", "DsiableESCt=0"};

// The lock file the program holds for a pty while it has it open.
QString LockFileOf(const std::string& device) {
  QString name = QString::fromStdString(device).mid(QStringLiteral("/dev/").size());
  return "/run/lock/LCK.." + name.replace(u'/', u'_');
}

bool IsJson(const QByteArray& line) {
  QJsonParseError error{};
  QJsonDocument::fromJson(line, &error);
  return error.error == QJsonParseError::NoError;
}

// The socket calls take an address by its generic type.
sockaddr* Generic(sockaddr_in& address) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the sockets API's own cast
  return reinterpret_cast<sockaddr*>(&address);
}

int CountOf(const vprinter::VirtualPrinter& printer, Kind kind) {
  const auto commands = printer.Commands();
  return static_cast<int>(
      std::count_if(commands.begin(), commands.end(),
                    [kind](const auto& command) { return command.kind == kind; }));
}

class EdgesTest : public CliTest {
 protected:
  // A path in the settings folder with no file at it yet.
  QString FreshFile(const char* name) const {
    QString path = config_.filePath(name);
    QFile::remove(path);
    return path;
  }

  // The program run by bash after the commands of before ("ulimit -f 1;"), its standard output
  // as after says ("| head -1", "> /dev/full"); the status is the program's.
  Outcome Piped(const QStringList& arguments, const QString& after, const QString& before = {}) {
    process_.start("bash",
                   QStringList{"-c", before + R"( "$0" "$@" )" + after + "; exit ${PIPESTATUS[0]}",
                               QStringLiteral(QUILLSETTER_CLI)} +
                       arguments);
    EXPECT_TRUE(process_.waitForStarted(5000));
    return Finish(30000);
  }
};

// A reader that has gone before the first line (SIGPIPE killed the program at its first line
// and left the slower printer without its closing command, unlogged, its lock file behind).
TEST_F(EdgesTest, AReaderThatGoesAwayStopsTheOutputNotTheJobs) {
  auto& quick = AddPrinter(1, AnsweringAs(kFamily0Model));
  auto& slow = AddPrinter(2, AnsweringAs(kFamily1Model));
  const QString log = FreshFile("gone-reader.jsonl");
  const Outcome run = Piped({"batch", SettingsFile(kAllValues), "--port", "COM1", "--port", "COM2",
                             "--json", "--log", log, "--pause-ms", "400"},
                            "| true");
  EXPECT_EQ(run.status, 8) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains("Cannot write to standard output: Broken pipe."))
      << run.err.toStdString();
  EXPECT_EQ(CountOf(quick, Kind::Closing), 1);
  EXPECT_EQ(CountOf(slow, Kind::Closing), 1) << "the slow printer's send was not cut";
  const auto records = prefs::ReadInstallLog(log);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->records.size(), 2u) << "every configured printer is logged";
  EXPECT_FALSE(QFileInfo::exists(LockFileOf(quick.DevicePath())));
  EXPECT_FALSE(QFileInfo::exists(LockFileOf(slow.DevicePath())));
}

// `| head -1`: the first line reaches the reader, the rest is dropped, and every job ends.
TEST_F(EdgesTest, HeadOneGetsTheFirstLineAndEveryPrinterIsServed) {
  auto& first = AddPrinter(1, AnsweringAs(kFamily0Model));
  auto& second = AddPrinter(2, AnsweringAs(kFamily1Model));
  const QString log = FreshFile("head-one.jsonl");
  const Outcome run = Piped({"batch", SettingsFile(kAllValues), "--port", "COM1", "--port", "COM2",
                             "--json", "--log", log, "--pause-ms", "400"},
                            "| head -1");
  EXPECT_TRUE(run.status == 8 || run.status == 0) << run.status;
  EXPECT_TRUE(IsJson(run.out.toUtf8())) << run.out.toStdString();
  EXPECT_EQ(CountOf(first, Kind::Closing), 1);
  EXPECT_EQ(CountOf(second, Kind::Closing), 1);
  EXPECT_EQ(prefs::ReadInstallLog(log)->records.size(), 2u);
}

// SIGTERM (timeout, systemd) and SIGHUP (a closed SSH session) killed the program with the port
// raw and locked; now they stop at the next step as Ctrl-C does.
TEST_F(EdgesTest, SigtermAndSighupStopLikeCtrlC) {
  for (const int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    auto& printer = AddPrinter(1, AnsweringAs(kFamily1Model));
    Start({"apply", SettingsFile(kAllValues), "--port", "COM1", "--baud", "9600", "--pause-ms",
           "2000", "--json"});
    // The identify, the liveness check, the block's four commands and the settings end.
    ASSERT_TRUE(printer.WaitForCommands(7, 5000));
    ::kill(static_cast<pid_t>(process_.processId()), signal);
    const Outcome run = Finish(5000);
    EXPECT_EQ(run.status, 130) << run.err.toStdString();
    EXPECT_EQ(Json(run.out)["status"], 130);
    EXPECT_EQ(CountOf(printer, Kind::DipSwitch), 0) << "no DIP switch after the stop";
    EXPECT_FALSE(QFileInfo::exists(LockFileOf(printer.DevicePath())));
    Tserial serial;
    EXPECT_TRUE(serial.OpenDevice(printer.DevicePath(), 9600)) << "the port is free";
  }
}

// A reply read at a wrong rate holds any byte: every one of them comes out as valid JSON, and
// as the same text.
TEST_F(EdgesTest, EveryByteOfAReplyComesOutAsValidJson) {
  // A model name is at most 21 bytes: the bytes between an A and a Z, 19 a reply.
  constexpr int kPerReply = printer::kModelNameLength - 2;
  for (int first = 1; first < 256; first += kPerReply) {
    std::string model = "A";
    for (int byte = first; byte < std::min(first + kPerReply, 256); ++byte) {
      model += static_cast<char>(byte);
    }
    model += "Z";
    printers_.clear();
    AddPrinter(1, AnsweringAs(model));
    const Outcome run = Cli({"identify", "--port", "COM1", "--baud", "9600", "--json"});
    SCOPED_TRACE(first);
    EXPECT_EQ(run.status, 4);
    ASSERT_TRUE(IsJson(run.out.toUtf8())) << run.out.toStdString();
    EXPECT_TRUE(Json(run.out)["error"].toString().contains(
        QString::fromLatin1(model.data(), static_cast<qsizetype>(model.size()))));
  }
}

TEST_F(EdgesTest, BatchAndLogLinesAreValidJsonWithControlBytes) {
  const std::string model = "Acme \x7f\x85\x9b[2J\x1b";
  AddPrinter(1, AnsweringAs(model));
  const Outcome run =
      Cli({"batch", SettingsFile(kAllValues), "--port", "COM1", "--json", "--pause-ms", "10"});
  for (const QString& line : run.out.split(u'\n')) {
    EXPECT_TRUE(IsJson(line.toUtf8())) << line.toStdString();
  }
  EXPECT_FALSE(run.out.contains(QChar(0x9B))) << "no C1 control reaches a terminal raw";

  const QString log = FreshFile("odd.jsonl");
  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("{\"model\":\"Acme \\u007f\\u0085\\u009b[2J\",\"result\":\"configured\"}\n");
  file.close();
  const Outcome shown = Cli({"log", log, "--json"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_TRUE(IsJson(shown.out.toUtf8())) << shown.out.toStdString();
  EXPECT_EQ(Json(shown.out)["model"].toString(), QString::fromUtf8("Acme \u007f\u0085\u009b[2J"));
}

// A full disk, made by a file-size limit that the log has reached: apply exited 0 and batch 7,
// neither said so in the JSON; both fail with status 8 now, and the JSON says why.
TEST_F(EdgesTest, ALogThatCannotBeWrittenIsAFailureInStatusAndJson) {
  AddPrinter(1, AnsweringAs(kFamily0Model));
  const QString log = FreshFile("full.jsonl");
  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(1023, 'x') + '\n');
  file.close();
  const QString settings = SettingsFile(kAllValues);
  // ulimit -f counts blocks of 1024 bytes: the log is full.
  const QString full = QStringLiteral("ulimit -f 1;");
  const Outcome applied = Piped({"apply", settings, "--port", "COM1", "--baud", "9600", "--json",
                                 "--log", log, "--pause-ms", "10"},
                                "", full);
  EXPECT_EQ(applied.status, 8) << applied.err.toStdString();
  EXPECT_EQ(Json(applied.out)["log_error"], "Cannot write the install log " + log + '.');
  EXPECT_EQ(Json(applied.out)["model"], kFamily0Model) << "the printer was configured";

  const Outcome batch = Piped(
      {"batch", settings, "--port", "COM1", "--json", "--log", log, "--pause-ms", "10"}, "", full);
  EXPECT_EQ(batch.status, 8) << batch.err.toStdString();
  const QStringList lines = batch.out.split(u'\n');
  ASSERT_EQ(lines.size(), 2) << batch.out.toStdString();
  EXPECT_EQ(Json(lines[0])["result"], "configured");
  EXPECT_TRUE(Json(lines[1])["summary"].toObject()["log_error"].toString().startsWith(
      "Cannot write the install log " + log))
      << lines[1].toStdString();
  QFile after(log);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.size(), 1024) << "nothing half-written";
}

// A device named twice (COM1 and the path it maps to) was served twice at once: configured and
// also failed, exit 7, with a false record. One device is one job.
TEST_F(EdgesTest, APrinterNamedTwiceIsOneJob) {
  auto& printer = AddPrinter(1, AnsweringAs(kFamily0Model));
  const QString log = FreshFile("named-twice.jsonl");
  const Outcome run = Cli({"batch", SettingsFile(kAllValues), "--port", "COM1", "--port",
                           QString::fromStdString(printer.DevicePath()), "--port", "COM1", "--json",
                           "--log", log, "--pause-ms", "10"});
  EXPECT_EQ(run.status, 0) << run.out.toStdString();
  const QStringList lines = run.out.split(u'\n');
  ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
  EXPECT_EQ(Json(lines[0])["port"], "COM1") << "the first name given";
  EXPECT_EQ(Json(lines[0])["result"], "configured");
  EXPECT_EQ(Json(lines[1])["summary"].toObject()["ports"], 1);
  EXPECT_EQ(prefs::ReadInstallLog(log)->records.size(), 1u);
  EXPECT_EQ(CountOf(printer, Kind::Closing), 1);
}

// Ports whose search Ctrl-C cut short said "no-printer": they say "interrupted".
TEST_F(EdgesTest, PortsCutShortByCtrlCAreInterruptedNotWithoutAPrinter) {
  vprinter::Options silent;
  silent.silent = true;
  auto& first = AddPrinter(1, silent);
  auto& second = AddPrinter(2, silent);
  Start({"batch", SettingsFile(kAllValues), "--port", "COM1", "--port", "COM2", "--json"});
  ASSERT_TRUE(first.WaitForCommands(1, 5000));
  ASSERT_TRUE(second.WaitForCommands(1, 5000));
  ::kill(static_cast<pid_t>(process_.processId()), SIGINT);
  const Outcome run = Finish(10000);
  EXPECT_EQ(run.status, 130);
  const QStringList lines = run.out.split(u'\n');
  ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
  for (int i = 0; i < 2; ++i) EXPECT_EQ(Json(lines[i])["status"], "interrupted");
  EXPECT_EQ(Json(lines[2])["summary"].toObject()["no-printer"], 0);
}

// A batch whose only port will not open exited 3 (the README says 7) without the reason.
TEST_F(EdgesTest, ABatchWhoseOnlyPortWillNotOpenFailsWithTheReason) {
  const Outcome run =
      Cli({"batch", SettingsFile(kAllValues), "--port", "/dev/quillsetter-none", "--json"});
  EXPECT_EQ(run.status, 7);
  const QStringList lines = run.out.split(u'\n');
  ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
  EXPECT_EQ(Json(lines[0])["result"], "cannot-open");
  EXPECT_EQ(Json(lines[0])["status"],
            "the port cannot be opened: There is no device at /dev/quillsetter-none.");
}

// Usage errors printed no JSON with --json, and where they did, "error" held the whole help.
TEST_F(EdgesTest, UsageErrorsAreOneLineOfJson) {
  const std::vector<std::pair<QStringList, QString>> cases = {
      {{"frobnicate", "--json"}, "quillsetter-cli: Unknown command 'frobnicate'."},
      {{"apply", "--bogus", "--json"}, "quillsetter-cli: Unknown option 'bogus'."},
      {{"batch", "--json"}, "quillsetter-cli: Missing argument FILE."},
      {{"identify", "--port", "COM1", "--json"}, "quillsetter-cli: Missing option '--baud'."},
      {{"apply", config_.filePath("missing.quillsetter"), "--port", "COM1", "--baud", "9600",
        "--json"},
       "Cannot read the settings file " + config_.filePath("missing.quillsetter") + '.'},
  };
  for (const auto& [arguments, message] : cases) {
    const Outcome run = Cli(arguments);
    SCOPED_TRACE(arguments.join(u' ').toStdString());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(Json(run.out), QJsonObject({{"error", message}, {"status", 2}}))
        << run.out.toStdString();
  }
}

// A write error on standard output exited 0.
TEST_F(EdgesTest, AFullStandardOutputFailsWithAMessage) {
  const Outcome run = Piped({"ports", "--json"}, "> /dev/full");
  EXPECT_EQ(run.status, 8);
  EXPECT_TRUE(run.err.contains("Cannot write to standard output: No space left on device."))
      << run.err.toStdString();
}

// Malformed addresses said "There is no device at ...".
TEST_F(EdgesTest, AMalformedAddressSaysWhatIsWrongWithIt) {
  const std::vector<std::pair<QString, QString>> cases = {
      {"rfc2217://shop12.lan",
       "The address rfc2217://shop12.lan has no port number: write it as rfc2217://HOST:PORT."},
      {"rfc2217://shop12.lan:0", "The port number of rfc2217://shop12.lan:0 must be 1 to 65535."},
      {"socket://shop12.lan:99999",
       "The port number of socket://shop12.lan:99999 must be 1 to 65535."},
      {"socket://[::1]",
       "The address socket://[::1] has no port number: write it as "
       "socket://HOST:PORT."},
  };
  for (const auto& [address, message] : cases) {
    const Outcome run = Cli({"identify", "--port", address, "--baud", "9600", "--json"});
    SCOPED_TRACE(address.toStdString());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(Json(run.out)["error"], message);
  }
  const Outcome batch =
      Cli({"batch", SettingsFile(kAllValues), "--port", "rfc2217://shop12.lan:0", "--json"});
  EXPECT_EQ(batch.status, 2);
}

// A server that takes the connection and closes it during the RFC 2217 negotiation: the open
// failed with no reason at all.
TEST_F(EdgesTest, AServerClosingMidNegotiationGivesAReason) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, Generic(address), length), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, Generic(address), &length), 0);
  std::thread server([listener] {
    const int connection = ::accept(listener, nullptr, nullptr);
    std::array<char, 16> negotiation{};
    // The client's first telnet options, then the close.
    (void)::read(connection, negotiation.data(), negotiation.size());
    ::close(connection);
  });
  const QString port = QStringLiteral("rfc2217://127.0.0.1:%1").arg(ntohs(address.sin_port));
  const Outcome run = Cli({"identify", "--port", port, "--baud", "9600", "--json"});
  server.join();
  ::close(listener);
  EXPECT_EQ(run.status, 5);
  EXPECT_EQ(Json(run.out)["error"],
            "Cannot open " + port + ". " + port +
                " closed the connection before the port was set up, without saying why.");
}

// A FIFO in place of the stored choices hung every command at its start.
TEST_F(EdgesTest, AFifoInPlaceOfTheStoredChoicesHangsNothing) {
  const QString store = Settings().fileName();
  QFile::remove(store);
  // A first run has no folder for its choices yet.
  ASSERT_TRUE(QDir().mkpath(QFileInfo(store).path()));
  ASSERT_EQ(::mkfifo(QFile::encodeName(store).constData(), 0600), 0);
  Start({"ports", "--json"});
  const bool ended = process_.waitForFinished(10000);
  if (!ended) process_.kill();
  QFile::remove(store);  // before the fixture reads the store again
  ASSERT_TRUE(ended) << "the command waited on the FIFO";
  EXPECT_EQ(process_.exitCode(), 0);
  EXPECT_TRUE(Json(QString::fromUtf8(process_.readAllStandardOutput()))["ports"].isArray());
}

// A file written for a printer without DIP switches was refused for want of the DIP values.
TEST_F(EdgesTest, ApplyAsksOnlyForTheValuesThePrintersFamilyIsSent) {
  auto& withoutDip = AddPrinter(1, AnsweringAs(kFamily0Model));
  auto& withDip = AddPrinter(2, AnsweringAs(kFamily1Model));
  const QString file = SettingsFile({"Intensity=3", "Speed=1", "Country=0", "CodePage=15"});
  Outcome run = Cli({"apply", file, "--port", "COM1", "--baud", "9600", "--pause-ms", "10"});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(CountOf(withoutDip, Kind::Closing), 1);

  run = Cli({"apply", file, "--port", "COM2", "--baud", "9600", "--pause-ms", "10"});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err.contains(
      "has no usable value for: NewBaud, Autocutter, Paper, Protocol, Commandset, DsiableESCt."))
      << run.err.toStdString();
  EXPECT_EQ(withDip.Commands().size(), 1u) << "only the identify query";

  run = Cli({"apply", file, "--dry-run", "--model", kFamily0Model});
  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  run = Cli({"apply", SettingsFile({"Intensity=3"}), "--port", "COM1", "--baud", "9600"});
  EXPECT_EQ(run.status, 2) << "what every family is sent is still required";
}

}  // namespace
