#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include "folder_window_test.h"
#include "settings_folder.h"
#include "window_state.h"

namespace {

const QMap<QString, QString> kDefaultIndices{
    {"cbPort", "0"},    {"cbBaud", "7"},     {"cbIntensity", "3"},  {"cbSpeed", "0"},
    {"cbCountry", "0"}, {"cbCodePage", "0"}, {"cbNewBaud", "7"},    {"cbAutoCutter", "1"},
    {"cbPaper", "1"},   {"cbProtocol", "0"}, {"cbCommandSet", "0"}, {"cbEsct", "0"}};

// The system language is settled once per process, so each first run happens in a child that
// reads its settings from `folder`.
QMap<QString, QString> FirstRunIn(const SettingsFolder& folder, const QString& locale) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LC_MESSAGES", "LANG", "LANGUAGE"}) environment.remove(name);
  environment.insert("LC_ALL", locale);
  environment.insert("XDG_CONFIG_HOME", folder.ConfigPath());
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess child;
  child.setProcessEnvironment(environment);
  child.start(QCoreApplication::applicationFilePath(), {kFirstRunProbe});
  EXPECT_TRUE(child.waitForFinished(60000));
  EXPECT_EQ(child.exitCode(), 0);
  return ParseDescription(QString::fromUtf8(child.readAllStandardOutput()).split(u'\n'));
}

void ExpectDefaultsSelected(const QMap<QString, QString>& shown) {
  for (auto it = kDefaultIndices.begin(); it != kDefaultIndices.end(); ++it) {
    EXPECT_EQ(shown.value(it.key()).section(u':', 0, 0), it.value()) << it.key().toStdString();
  }
}

using FirstRun = FolderWindowTest;

TEST_F(FirstRun, OnACyrillicSystemIsBulgarianAndStaysSoAtTheNextStart) {
  const auto shown = FirstRunIn(folder_, "bg_BG.UTF-8");
  EXPECT_EQ(shown.value("Language"), "0");
  ExpectDefaultsSelected(shown);
  EXPECT_EQ(shown.value("cbAutoCutter"), "1:Разрешено");
  EXPECT_EQ(shown.value("cbPaper"), "1:Широка (80mm)");
  EXPECT_EQ(shown.value("Connect"), "Свързване");
  EXPECT_EQ(shown.value("lbPort"), "Сериен порт:");
  EXPECT_EQ(folder_.Values().value("Language"), "0");
  EXPECT_EQ(folder_.Values().value("Autocutter"), "1");

  // Stored now, so the locale of this process does not matter.
  const auto window = Open();
  EXPECT_EQ(ShownLanguage(*window), 0);
  EXPECT_EQ(ParseDescription(DescribeWindow(*window)).value("lbPort"), "Сериен порт:");
}

TEST_F(FirstRun, OnAnyOtherSystemIsEnglish) {
  for (const char* locale : {"en_US.UTF-8", "de_DE.UTF-8", "C"}) {
    const SettingsFolder folder;
    const auto shown = FirstRunIn(folder, locale);
    EXPECT_EQ(shown.value("Language"), "1") << locale;
    ExpectDefaultsSelected(shown);
    EXPECT_EQ(shown.value("cbAutoCutter"), "1:Enabled") << locale;
    EXPECT_EQ(shown.value("cbPaper"), "1:Wide (80mm)") << locale;
    EXPECT_EQ(shown.value("Connect"), "Connect") << locale;
    EXPECT_EQ(folder.Values().value("Language"), "1") << locale;
  }
}

}  // namespace
