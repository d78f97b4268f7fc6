#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "preferences.h"
#include "settings_folder.h"
#include "stored_values.h"

namespace {

using prefs::LoadStatus;
using prefs::StoredChoices;

const StoredChoices kDefaults{};

// Loads a file holding `text` from a folder of its own.
prefs::LoadResult LoadFrom(const QByteArray& text) {
  const SettingsFolder folder;
  folder.Write(text);
  return prefs::Load();
}

TEST(StoredChoicesDefaults, AreTheTableDefaults) {
  EXPECT_EQ(kDefaults.language, -1);
  EXPECT_EQ(kDefaults.port, 1);
  EXPECT_EQ(kDefaults.baud, 7);
  EXPECT_EQ(kDefaults.printer.intensity, 3);
  EXPECT_EQ(kDefaults.printer.speed, 0);
  EXPECT_EQ(kDefaults.printer.country, 0);
  EXPECT_EQ(kDefaults.printer.codePage, 0);
  EXPECT_EQ(kDefaults.printer.newBaud, 7);
  EXPECT_EQ(kDefaults.printer.autoCutter, 1);
  EXPECT_EQ(kDefaults.printer.paper, 1);
  EXPECT_EQ(kDefaults.printer.protocol, 0);
  EXPECT_EQ(kDefaults.printer.commandSet, 0);
  EXPECT_EQ(kDefaults.printer.esct, 0);
}

TEST(StoredChoicesDefaults, FillAMissingOrEmptyFileAndLoadingCreatesNothing) {
  const SettingsFolder folder;
  const auto missing = prefs::Load();
  EXPECT_EQ(missing.status, LoadStatus::Loaded);
  EXPECT_EQ(missing.choices, kDefaults);
  EXPECT_FALSE(QFile::exists(folder.FilePath()));

  const auto empty = LoadFrom("");
  EXPECT_EQ(empty.status, LoadStatus::Loaded);
  EXPECT_EQ(empty.choices, kDefaults);
}

TEST(StoredChoicesRoundTrip, EveryValueComesBackUnderItsExactName) {
  const SettingsFolder folder;
  StoredChoices written = kEveryValueChanged;
  written.printSlip = true;
  ASSERT_TRUE(prefs::Save(written));

  const auto loaded = prefs::Load();
  EXPECT_EQ(loaded.status, LoadStatus::Loaded);
  EXPECT_EQ(loaded.choices, written);
  QMap<QString, QString> expected{{"PrintSlip", "1"}};
  for (const auto& [name, number] : StoredNumbers(written)) {
    expected.insert(name, QString::number(number));
  }
  EXPECT_EQ(folder.Values(), expected);
}

TEST(StoredChoicesRoundTrip, ADetectedDeviceIsStoredBesideThePortUntilAComPortIsChosen) {
  const SettingsFolder folder;
  StoredChoices written;
  written.port = 2;
  written.portDevice = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  ASSERT_TRUE(prefs::Save(written));
  EXPECT_EQ(prefs::Load().choices, written);
  EXPECT_EQ(folder.Values().value("PortDevice"), written.portDevice);
  EXPECT_EQ(folder.Values().value("Port"), "2");

  written.portDevice.clear();
  ASSERT_TRUE(prefs::Save(written));
  EXPECT_EQ(prefs::Load().choices, written);
  EXPECT_FALSE(folder.Values().contains("PortDevice"));
  EXPECT_EQ(folder.Values().size(), 13);
}

TEST(StoredChoicesRoundTrip, UnselectedListsAndUnknownLanguageAreKeptAsNumbers) {
  const SettingsFolder folder;
  StoredChoices written;
  written.language = 5;
  written.baud = -1;
  written.printer.speed = -1;
  written.printer.esct = 12;
  ASSERT_TRUE(prefs::Save(written));
  EXPECT_EQ(folder.Values().value("Baud"), "-1");
  EXPECT_EQ(prefs::Load().choices, written);

  written.language = -1;
  ASSERT_TRUE(prefs::Save(written));
  EXPECT_EQ(folder.Values().value("Language"), "-1");
  EXPECT_EQ(prefs::Load().choices.language, -1);
}

TEST(StoredChoicesRoundTrip, SavingKeepsThePortMapAndAddsNothingElse) {
  const SettingsFolder folder;
  folder.Write("[General]\nBaud=3\n\n[Ports]\nCOM1=/dev/ttyUSB0\n");
  ASSERT_TRUE(prefs::Save(kDefaults));
  const auto values = folder.Values();
  EXPECT_EQ(values.size(), 14);
  EXPECT_EQ(values.value("Ports/COM1"), "/dev/ttyUSB0");
  EXPECT_EQ(values.value("Baud"), "7");
}

TEST(StoredChoicesRoundTrip, SavingWritesThroughALinkAndKeepsThePermissions) {
  const SettingsFolder folder;
  const QTemporaryDir elsewhere;
  const QString linked = elsewhere.path() + "/linked.conf";
  QFile file(linked);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[General]\nBaud=3\n");
  file.close();
  const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
  ASSERT_TRUE(QFile::setPermissions(linked, permissions));
  ASSERT_TRUE(QDir().mkpath(folder.OrganisationPath()));
  ASSERT_TRUE(QFile::link(linked, folder.FilePath()));

  ASSERT_TRUE(prefs::Save(kDefaults));
  EXPECT_TRUE(QFileInfo(folder.FilePath()).isSymLink());
  EXPECT_EQ(folder.Values().value("Baud"), "7");
  // Leaves out the bits for the current user, which repeat those of the owner here.
  EXPECT_EQ(QFile::permissions(linked) & 0xf0ff, permissions);
}

// A save at close that changes nothing leaves the file alone: comments, spelling and time.
TEST(StoredChoicesRoundTrip, AnUnchangedSaveLeavesTheFileUntouchedAndAChangedOneWrites) {
  const SettingsFolder folder;
  StoredChoices choices;
  choices.language = 0;
  choices.baud = 3;
  // Every value, one of them spelt with a leading zero, which is still the same integer.
  const QByteArray text =
      "; set up for the shop printers\n[General]\nLanguage=0\nPort=1\nBaud=03\nIntensity=3\n"
      "Speed=0\nCountry=0\nCodePage=0\nNewBaud=7\nAutocutter=1\nPaper=1\nProtocol=0\n"
      "Commandset=0\nDsiableESCt=0\n\n[Ports]\nCOM1=/dev/ttyUSB0\n";
  folder.Write(text);
  const QDateTime past = QDateTime::currentDateTimeUtc().addDays(-1);
  {
    QFile file(folder.FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(past, QFileDevice::FileModificationTime));
  }
  ASSERT_EQ(prefs::Load().choices, choices);

  ASSERT_TRUE(prefs::Save(choices));
  EXPECT_EQ(folder.Read(), text);
  EXPECT_EQ(QFileInfo(folder.FilePath()).lastModified(), past);

  choices.printer.speed = 2;
  ASSERT_TRUE(prefs::Save(choices));
  EXPECT_EQ(folder.Values().value("Speed"), "2");
  EXPECT_EQ(folder.Values().value("Ports/COM1"), "/dev/ttyUSB0");
  EXPECT_EQ(prefs::Load().choices, choices);
}

TEST(StoredPort, OnlyOneToEightIsAcceptedOtherwiseComOne) {
  for (const auto& [text, port] : std::initializer_list<std::pair<QByteArray, int>>{
           {"9", 1}, {"0", 1}, {"-1", 1}, {"100", 1}, {"1", 1}, {"6", 6}, {"7", 7}, {"8", 8}}) {
    const auto loaded = LoadFrom("[General]\nPort=" + text + "\n");
    EXPECT_EQ(loaded.choices.port, port) << "Port=" << text.constData();
    EXPECT_EQ(loaded.status, LoadStatus::Loaded);
  }
}

TEST(StoredSelections, AreTakenAsIsWithoutRangeCheck) {
  const auto loaded =
      LoadFrom("[General]\nLanguage=5\nBaud=12\nIntensity=-1\nPaper=1000\nSpeed=fast\n");
  EXPECT_EQ(loaded.status, LoadStatus::Loaded);
  EXPECT_EQ(loaded.choices.language, 5);
  EXPECT_EQ(loaded.choices.baud, 12);
  EXPECT_EQ(loaded.choices.printer.intensity, -1);
  EXPECT_EQ(loaded.choices.printer.paper, 1000);
  EXPECT_EQ(loaded.choices.printer.speed, 0);
}

TEST(StoredSelections, ANonIntegerTakesItsDefaultSilently) {
  // Each text would turn into a number other than the default 3 under a lax conversion.
  for (const char* text :
       {"abc", "5abc", "2.0", "4.7", "1e2", "0x1", "", "\" 5\"", "1, 2", "2147483648", "true",
        "@Invalid()", "@ByteArray(5)", "@Size(5 5)", "\xd9\xa5"}) {
    const auto loaded = LoadFrom(QByteArray("[General]\nIntensity=") + text + "\nBaud=2\n");
    EXPECT_EQ(loaded.choices.printer.intensity, 3) << "Intensity=" << text;
    EXPECT_EQ(loaded.choices.baud, 2) << "Intensity=" << text;
    EXPECT_EQ(loaded.status, LoadStatus::Loaded) << "Intensity=" << text;
  }
}

TEST(StoredSelections, DecimalIntegersAreRead) {
  for (const auto& [text, number] : std::initializer_list<std::pair<QByteArray, int>>{
           {"-1", -1}, {"+4", 4}, {"0012", 12}, {"-2147483648", -2147483647 - 1}, {" 6 ", 6}}) {
    EXPECT_EQ(LoadFrom("[General]\nIntensity=" + text + "\n").choices.printer.intensity, number)
        << "Intensity=" << text.constData();
  }
}

}  // namespace
