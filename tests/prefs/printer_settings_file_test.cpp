#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "printer_settings_file.h"
#include "settings_folder.h"

namespace printer {
void PrintTo(const PrinterSettings& s, std::ostream* out) {
  *out << "{intensity " << s.intensity << ", speed " << s.speed << ", country " << s.country
       << ", codePage " << s.codePage << ", newBaud " << s.newBaud << ", autoCutter "
       << s.autoCutter << ", paper " << s.paper << ", protocol " << s.protocol << ", commandSet "
       << s.commandSet << ", esct " << s.esct << "}";
}
}  // namespace printer

namespace {

using printer::PrinterSettings;

// The last entry of every list.
constexpr PrinterSettings kLastEntries{.intensity = 5,
                                       .speed = 3,
                                       .country = 10,
                                       .codePage = 19,
                                       .newBaud = 7,
                                       .autoCutter = 1,
                                       .paper = 1,
                                       .protocol = 1,
                                       .commandSet = 1,
                                       .esct = 1};
constexpr PrinterSettings kFirstEntries{.intensity = 0,
                                        .speed = 0,
                                        .country = 0,
                                        .codePage = 0,
                                        .newBaud = 0,
                                        .autoCutter = 0,
                                        .paper = 0,
                                        .protocol = 0,
                                        .commandSet = 0,
                                        .esct = 0};

class PrinterSettingsFile : public testing::Test {
 protected:
  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  QString Write(const char* name, const QByteArray& text) const {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return file.fileName();
  }
  QStringList Entries() const {
    return QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
  }

  QTemporaryDir dir_;
};

TEST_F(PrinterSettingsFile, RoundTripsEverySettingUnderItsStoredNameWithTheModel) {
  const QString path = Path("shop.quillsetter");
  ASSERT_TRUE(prefs::SavePrinterSettings(path, kLastEntries, "Tavrin MR460V Printer"));
  EXPECT_EQ(Entries(), QStringList{"shop.quillsetter"});

  const auto loaded = prefs::LoadPrinterSettings(path, kFirstEntries);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->settings, kLastEntries);
  EXPECT_TRUE(loaded->skipped.isEmpty()) << loaded->skipped.join(", ").toStdString();

  {
    // Closed before the next save: Windows replaces no file that another handle holds open.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
#ifdef Q_OS_WIN
    // Qt writes an INI file's keys there in the order they were set, in lines ending in CR LF.
    EXPECT_EQ(file.readAll(),
              "[Printer]\r\nIntensity=5\r\nSpeed=3\r\nCountry=10\r\nCodePage=19\r\nNewBaud=7\r\n"
              "Autocutter=1\r\nPaper=1\r\nProtocol=1\r\nCommandset=1\r\nDsiableESCt=1\r\n"
              "Model=Tavrin MR460V Printer\r\n");
#else
    EXPECT_EQ(
        file.readAll(),
        "[Printer]\nAutocutter=1\nCodePage=19\nCommandset=1\nCountry=10\nDsiableESCt=1\n"
        "Intensity=5\nModel=Tavrin MR460V Printer\nNewBaud=7\nPaper=1\nProtocol=1\nSpeed=3\n");
#endif
  }

  // Saving again replaces the whole file.
  ASSERT_TRUE(prefs::SavePrinterSettings(path, kFirstEntries, ""));
  EXPECT_EQ(prefs::LoadPrinterSettings(path, kLastEntries)->settings, kFirstEntries);
}

TEST_F(PrinterSettingsFile, ADamagedValueIsNamedAndKeepsTheSettingItHad) {
  // Intensity missing, Speed a text, Country one past its list, CodePage below it; the rest is
  // read, with a comment and an unknown key passed over.
  const QString path = Write("damaged.quillsetter",
                             "; edited by hand\n[Printer]\nModel=whatever\nSpeed=fast\n"
                             "Country=11\nCodePage=-1\nNewBaud=2\nAutocutter=0\nPaper=0\n"
                             "Protocol=1\nCommandset=1\nDsiableESCt=1\nLogo=3\n");
  const auto loaded = prefs::LoadPrinterSettings(path, kLastEntries);
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(loaded->skipped, (QStringList{"Intensity", "Speed", "Country", "CodePage"}));
  PrinterSettings expected = kLastEntries;
  expected.newBaud = 2;
  expected.autoCutter = 0;
  expected.paper = 0;
  EXPECT_EQ(loaded->settings, expected);
}

TEST_F(PrinterSettingsFile, AFileThatCannotBeReadIsNoResult) {
  const QString missing = Path("missing.quillsetter");
  const QString folder = Path("folder.quillsetter");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString noGroup = Write("general.quillsetter", "[General]\nIntensity=2\n");
  const QString damaged = Write("damaged.quillsetter", "[Printer\nIntensity=2\n");
  const QString binary =
      Write("picture.quillsetter", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  for (const QString& path : {missing, folder, noGroup, damaged, binary}) {
    EXPECT_FALSE(prefs::LoadPrinterSettings(path, kLastEntries).has_value()) << path.toStdString();
  }
}

TEST_F(PrinterSettingsFile, AFileOver64KiBIsRefusedUnreadAndSaidSo) {
  const QByteArray settings = "[Printer]\nIntensity=2\n";
  const QByteArray comment = "; padding\n";
  QByteArray text = settings;
  while (text.size() + comment.size() <= prefs::kMaxPrinterSettingsBytes) text += comment;
  const QString fits = Write("fits.quillsetter", text);
  prefs::LoadFailure failure = prefs::LoadFailure::TooLarge;
  ASSERT_TRUE(prefs::LoadPrinterSettings(fits, kLastEntries, &failure).has_value());
  EXPECT_EQ(failure, prefs::LoadFailure::None);

  const QString large =
      Write("large.quillsetter", settings + QByteArray(qsizetype{65} * 1024, ';'));
  EXPECT_FALSE(prefs::LoadPrinterSettings(large, kLastEntries, &failure).has_value());
  EXPECT_EQ(failure, prefs::LoadFailure::TooLarge);
  EXPECT_FALSE(prefs::LoadPrinterSettings(Path("missing"), kLastEntries, &failure).has_value());
  EXPECT_EQ(failure, prefs::LoadFailure::Unreadable);
}

// A colleague loads the file from a shared folder: the mode is the user's usual one.
TEST_F(PrinterSettingsFile, ANewFileGetsTheUsersFileModeAndAnOldOneKeepsItsOwn) {
#ifdef Q_OS_WIN
  GTEST_SKIP() << "Windows has no umask and no group or other permission bits";
#endif
  for (const mode_t mask : {mode_t{022}, mode_t{027}, mode_t{077}}) {
    const mode_t before = umask(mask);
    const QString path = Path(("shop" + std::to_string(mask) + ".quillsetter").c_str());
    const bool saved = prefs::SavePrinterSettings(path, kLastEntries, "");
    umask(before);
    ASSERT_TRUE(saved);
    struct stat status {};
    ASSERT_EQ(stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask) << "umask " << mask;
  }
  const QString kept = Path("shop18.quillsetter");
  ASSERT_EQ(chmod(QFile::encodeName(kept).constData(), 0604), 0);
  ASSERT_TRUE(prefs::SavePrinterSettings(kept, kFirstEntries, ""));
  struct stat status {};
  ASSERT_EQ(stat(QFile::encodeName(kept).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0604u);
}

TEST_F(PrinterSettingsFile, AFileThatCannotBeWrittenFailsAndLeavesNothingBehind) {
  EXPECT_FALSE(prefs::SavePrinterSettings(Path("no folder/shop.quillsetter"), kLastEntries, ""));
  const QString folder = Path("folder.quillsetter");
  ASSERT_TRUE(QDir().mkpath(folder));
  EXPECT_FALSE(prefs::SavePrinterSettings(folder, kLastEntries, ""));
  EXPECT_EQ(Entries(), QStringList{"folder.quillsetter"});
  EXPECT_TRUE(QDir(folder).isEmpty());
}

}  // namespace
