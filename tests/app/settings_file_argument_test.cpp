// The program started with a settings file, as a double-click on one or the menu entry with a
// file starts it: the real program on the offscreen platform, closed by the window probe once its
// window shows, with what its lists showed saved on closing.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// A value for each of the ten settings, none of them its list's starting entry.
const std::vector<std::pair<const char*, int>> kFileValues = {
    {"Intensity", 1},  {"Speed", 2}, {"Country", 9},  {"CodePage", 17},  {"NewBaud", 4},
    {"Autocutter", 0}, {"Paper", 0}, {"Protocol", 1}, {"Commandset", 1}, {"DsiableESCt", 1}};

class ProgramTest : public testing::Test {
 protected:
  // Runs the program in the test's folder with the arguments, until the probe has closed its
  // window; its exit status.
  int RunProgram(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
      environment.insert(QString::fromLatin1(name), dir_.filePath("home"));
    }
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("QT_PLUGIN_PATH", WINDOW_PROBE_PLUGIN_PATH);
    environment.insert("QT_QPA_GENERIC_PLUGINS", "windowprobe");
    environment.insert("WINDOW_PROBE_REPORT", dir_.filePath("probe"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir_.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QUILLSETTER_PROGRAM, arguments);
    if (!program.waitForFinished(60000)) {
      program.kill();
      program.waitForFinished();
      return -1;
    }
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  }

  QVariant Saved(const char* name) const {
    return QSettings(dir_.filePath("home/Tavrin Ltd/Quillsetter.conf"), QSettings::IniFormat)
        .value(QString::fromLatin1(name));
  }

  QTemporaryDir dir_;
};

}  // namespace

TEST_F(ProgramTest, StartsWithTheGivenSettingsFilesValuesInTheLists) {
  ASSERT_TRUE(dir_.isValid());
  // A name with a space and Cyrillic letters, given relative to the working folder.
  const QString name = QString::fromUtf8("магазин 12.quillsetter");
  QFile file(dir_.filePath(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Printer]\nModel=Tavrin MR460V Printer\n");
  for (const auto& [setting, value] : kFileValues) {
    file.write(QByteArray(setting) + '=' + QByteArray::number(value) + '\n');
  }
  file.close();

  ASSERT_EQ(RunProgram({name}), 0);
  EXPECT_GT(QFile(dir_.filePath("probe")).size(), 0) << "the window never showed";
  for (const auto& [setting, value] : kFileValues) EXPECT_EQ(Saved(setting), value) << setting;
}

TEST_F(ProgramTest, StartsWithTheStartingEntriesWithoutAFile) {
  ASSERT_TRUE(dir_.isValid());
  ASSERT_EQ(RunProgram({}), 0);
  EXPECT_EQ(Saved("Intensity"), 3);
  EXPECT_EQ(Saved("Country"), 0);
  EXPECT_EQ(Saved("Paper"), 1);
}
