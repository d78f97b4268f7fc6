#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>

#include "preferences.h"
#include "settings_folder.h"

namespace {

using prefs::LoadStatus;
using prefs::StoredChoices;

const StoredChoices kDefaults{};

StoredChoices SomeChoices() {
  StoredChoices choices;
  choices.language = 1;
  choices.port = 3;
  choices.baud = 4;
  choices.printer.esct = 1;
  return choices;
}

// While it lives, writing a regular file beyond `bytes` fails with EFBIG, as on a full disk;
// root is not exempt.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : previousSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousSignal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previousSignal_)(int);
};

TEST(UnreadableSettingsFile, IsTheStoreThatCannotBeOpened) {
  const SettingsFolder folder;
  ASSERT_TRUE(QDir().mkpath(folder.FilePath()));
  const auto loaded = prefs::Load();
  EXPECT_EQ(loaded.status, LoadStatus::KeyUnavailable);
  EXPECT_EQ(loaded.choices, kDefaults);
  EXPECT_FALSE(prefs::Save(SomeChoices()));
}

TEST(UnreadableSettingsFile, DoesNotStopASaveOnceTheFaultIsGone) {
  const SettingsFolder folder;
  ASSERT_TRUE(QDir().mkpath(folder.FilePath()));
  ASSERT_EQ(prefs::Load().status, LoadStatus::KeyUnavailable);
  ASSERT_TRUE(QDir().rmdir(folder.FilePath()));

  ASSERT_TRUE(prefs::Save(kDefaults));
  const auto loaded = prefs::Load();
  EXPECT_EQ(loaded.status, LoadStatus::Loaded);
  EXPECT_EQ(loaded.choices, kDefaults);
  EXPECT_EQ(folder.Values().value("Language"), "-1");
}

TEST(UnparsableSettingsFile, FailsKeepsWhatWasReadAndIsRepairedBySaving) {
  for (const QByteArray& damage : {QByteArray("a line without an equals sign\n"),
                                   QByteArray("[General\n"), QByteArray("\xff\xfe\x01\x02\n")}) {
    const SettingsFolder folder;
    folder.Write("[General]\nLanguage=0\nBaud=3\n" + damage + "Speed=2\n");
    const auto loaded = prefs::Load();
    EXPECT_EQ(loaded.status, LoadStatus::Failed) << damage.constData();
    EXPECT_EQ(loaded.choices.language, 0) << damage.constData();
    EXPECT_EQ(loaded.choices.baud, 3) << damage.constData();
    EXPECT_EQ(loaded.choices.printer.speed, 2) << damage.constData();
    EXPECT_EQ(loaded.choices.printer.intensity, kDefaults.printer.intensity) << damage.constData();

    EXPECT_TRUE(prefs::Save(SomeChoices())) << damage.constData();
    const auto reloaded = prefs::Load();
    EXPECT_EQ(reloaded.status, LoadStatus::Loaded) << damage.constData();
    EXPECT_EQ(reloaded.choices, SomeChoices()) << damage.constData();
  }
}

TEST(UnparsableSettingsFile, IsRewrittenCleanByASaveThatFindsItDamaged) {
  const SettingsFolder folder;
  folder.Write("[General]\nBaud=3\na line without an equals sign\n\n[Ports]\nCOM1=/dev/ttyUSB0\n");
  EXPECT_TRUE(prefs::Save(SomeChoices()));
  EXPECT_FALSE(folder.Read().contains("without"));
  EXPECT_EQ(folder.Values().value("Baud"), "4");
  EXPECT_EQ(folder.Values().value("Ports/COM1"), "/dev/ttyUSB0");
}

TEST(UnwritableSettingsFile, FailsWhereTheFileOrItsFolderCannotBeMade) {
  const SettingsFolder directoryAtFile;
  ASSERT_TRUE(QDir().mkpath(directoryAtFile.FilePath()));
  EXPECT_FALSE(prefs::Save(SomeChoices()));
  EXPECT_TRUE(QDir(directoryAtFile.FilePath()).isEmpty());

  const SettingsFolder fileAtFolder;
  QFile organisation(fileAtFolder.OrganisationPath());
  ASSERT_TRUE(organisation.open(QIODevice::WriteOnly));
  organisation.close();
  EXPECT_EQ(prefs::Load().status, LoadStatus::Loaded);
  EXPECT_FALSE(prefs::Save(SomeChoices()));
  EXPECT_EQ(QFileInfo(fileAtFolder.OrganisationPath()).size(), 0);
}

// Old files longer than the limit: the new file, which carries the old port map along, is cut
// off halfway, while the lock file QSettings takes first stays below it.
TEST(UnwritableSettingsFile, LeavesTheOldFileIntactWhenWritingStopsHalfway) {
  constexpr rlim_t kLimit = 1024;
  QByteArray portMap = "\n[Ports]\n";
  for (int port = 1; port <= 8; ++port) {
    portMap += "COM" + QByteArray::number(port) + "=/dev/serial/by-id/usb-" + QByteArray(240, 'x') +
               "-if00-port0\n";
  }
  for (const QByteArray& old : {"[General]\nBaud=2\nLanguage=0\n" + portMap,
                                "[General]\nBaud=2\ndamaged line\nLanguage=0\n" + portMap}) {
    ASSERT_GT(old.size(), 2 * kLimit);
    const SettingsFolder folder;
    folder.Write(old);
    bool saved = true;
    {
      const FileSizeLimit limit(kLimit);
      saved = prefs::Save(SomeChoices());
    }
    EXPECT_FALSE(saved) << old.left(40).constData();
    EXPECT_EQ(folder.Read(), old);
    EXPECT_EQ(QDir(folder.OrganisationPath()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"Quillsetter.conf"});
    EXPECT_EQ(prefs::Load().choices.baud, 2) << old.left(40).constData();
  }
}

}  // namespace
