// The install log in a temporary folder: the record's line, appends from many writers at once,
// and reading it back.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif
#include <thread>
#include <vector>

#include "install_log.h"

namespace {

prefs::InstallRecord Record(int number) {
  prefs::InstallRecord record;
  record.time = QDateTime(QDate(2026, 12, 9), QTime(14, 5, 7), QTimeZone(3600));
  record.tool = "1.2.0";
  record.host = "till-3";
  record.port = QStringLiteral("COM%1").arg(number);
  record.device = "/dev/ttyUSB0";
  record.model = "Tavrin MR460V Printer";
  record.family = 1;
  record.baudBefore = 9600;
  record.baudAfter = 115200;
  record.settings.codePage = 15;
  record.settings.esct = 1;
  record.result = "restart-needed";
  record.status = "restart needed at 115200 bps";
  return record;
}

TEST(InstallLogTest, ARecordIsOneJsonLineWithTheStoredNamesAndUtcTime) {
  const QTemporaryDir folder;
  const QString path = folder.filePath("logs/installs.jsonl");
  prefs::InstallRecord withFile = Record(1);
  withFile.settingsFile = "/srv/shop.quillsetter";
  withFile.sha256 = "ab12";
  ASSERT_TRUE(prefs::AppendInstallRecord(path, withFile)) << "the folder is made";
  ASSERT_TRUE(prefs::AppendInstallRecord(path, Record(2)));

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[2].isEmpty()) << "each record ends its line";
  const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
  EXPECT_EQ(first["time"].toString(), "2026-12-09T13:05:07Z");
  EXPECT_EQ(first["baud_before"].toInt(), 9600);
  EXPECT_EQ(first["baud_after"].toInt(), 115200);
  EXPECT_EQ(first["settings_file"].toString(), "/srv/shop.quillsetter");
  EXPECT_EQ(first["sha256"].toString(), "ab12");
  const QJsonObject settings = first["settings"].toObject();
  EXPECT_EQ(settings.keys(),
            (QStringList{"Autocutter", "CodePage", "Commandset", "Country", "DsiableESCt",
                         "Intensity", "NewBaud", "Paper", "Protocol", "Speed"}));
  EXPECT_EQ(settings["CodePage"].toInt(), 15);
  EXPECT_EQ(settings["DsiableESCt"].toInt(), 1);
  const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
  EXPECT_FALSE(second.contains("settings_file"));
  EXPECT_FALSE(second.contains("sha256"));
  for (const char* key :
       {"tool", "host", "port", "device", "model", "family", "result", "status"}) {
    EXPECT_TRUE(second.contains(key)) << key;
  }
}

TEST(InstallLogTest, WritersAppendingAtOnceLeaveWholeLinesAndTornLinesAreCounted) {
  const QTemporaryDir folder;
  const QString path = folder.filePath("installs.jsonl");
  constexpr int kWriters = 8;
  constexpr int kEach = 50;
  std::vector<std::thread> writers;
  writers.reserve(kWriters);
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&path, w] {
      for (int i = 0; i < kEach; ++i) EXPECT_TRUE(prefs::AppendInstallRecord(path, Record(w)));
    });
  }
  for (std::thread& writer : writers) writer.join();

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write(R"({"time": "2026-12-)");  // a line cut short by a crash
  file.close();

  const auto log = prefs::ReadInstallLog(path);
  ASSERT_TRUE(log);
  EXPECT_EQ(log->records.size(), static_cast<std::size_t>(kWriters * kEach));
  EXPECT_EQ(log->unreadableLines, 1);
  std::vector<int> perPort(kWriters);
  for (const QJsonObject& record : log->records) {
    ++perPort[static_cast<std::size_t>(record["port"].toString().mid(3).toInt())];
  }
  EXPECT_EQ(perPort, std::vector<int>(kWriters, kEach));
  EXPECT_FALSE(prefs::ReadInstallLog(folder.filePath("none.jsonl")));
}

// A full disk, made by a file-size limit in a child process: the record is cut and the append
// says so. The next record, written with room again, started on the cut line and was lost with
// it ("log" showed 1 of 3 installs); it starts a line of its own now.
TEST(InstallLogTest, ARecordAfterACutLineOrAMissingNewlineStartsALineOfItsOwn) {
  const QTemporaryDir folder;
  const QString path = folder.filePath("installs.jsonl");
  ASSERT_TRUE(prefs::AppendInstallRecord(path, Record(1)));

#ifdef _WIN32
  // Windows has no file-size limit to fill: the cut record is written by hand.
  {
    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::Append));
    cut.write(
        QJsonDocument(prefs::InstallRecordJson(Record(2))).toJson(QJsonDocument::Compact).left(40));
  }
#else
  const qint64 size = QFileInfo(path).size();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Room for 40 more bytes; past them the write fails (EFBIG) instead of raising SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(size + 40), static_cast<rlim_t>(size + 40)};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(prefs::AppendInstallRecord(path, Record(2)) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a cut append is a failed one";
  EXPECT_EQ(QFileInfo(path).size(), size + 40) << "the disk took part of the record";
#endif

  ASSERT_TRUE(prefs::AppendInstallRecord(path, Record(3)));
  // A record written by hand, without its newline.
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write(QJsonDocument(prefs::InstallRecordJson(Record(4))).toJson(QJsonDocument::Compact));
  file.close();
  ASSERT_TRUE(prefs::AppendInstallRecord(path, Record(5)));

  const auto log = prefs::ReadInstallLog(path);
  ASSERT_TRUE(log);
  std::vector<QString> ports;
  for (const QJsonObject& record : log->records) ports.push_back(record["port"].toString());
  EXPECT_EQ(ports, (std::vector<QString>{"COM1", "COM3", "COM4", "COM5"}));
  EXPECT_EQ(log->unreadableLines, 1) << "the cut record";
}

TEST(InstallLogTest, TheSha256IsTheFilesDigest) {
  const QTemporaryDir folder;
  QFile file(folder.filePath("abc"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("abc");
  file.close();
  EXPECT_EQ(prefs::FileSha256(file.fileName()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_TRUE(prefs::FileSha256(folder.filePath("none")).isEmpty());
}

// The window and the command line, whatever their program names, share one default log.
TEST(InstallLogTest, TheDefaultLogIsTheApplicationsWhateverTheProgramsName) {
  const QString application = QCoreApplication::applicationName();
  const QString path = prefs::DefaultInstallLogPath();
  EXPECT_TRUE(path.endsWith("/Tavrin Ltd/Quillsetter/installs.jsonl")) << path.toStdString();
  QCoreApplication::setApplicationName("quillsetter-cli");
  EXPECT_EQ(prefs::DefaultInstallLogPath(), path);
  QCoreApplication::setApplicationName(application);
  EXPECT_EQ(QCoreApplication::applicationName(), application) << "left as it was";
}

}  // namespace
