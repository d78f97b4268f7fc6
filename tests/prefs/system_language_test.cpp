#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include "system_language_probe.h"

namespace {

struct LocaleCase {
  QStringList environment;
  bool cyrillic = false;
};

// QLocale::system() is settled once per process, so each locale is tried in a child process.
bool ChildReportsCyrillic(const QStringList& environment) {
  QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"}) {
    childEnvironment.remove(name);
  }
  for (const QString& assignment : environment) {
    childEnvironment.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
  }
  QProcess child;
  child.setProcessEnvironment(childEnvironment);
  child.start(QCoreApplication::applicationFilePath(), {kSystemLanguageProbe});
  EXPECT_TRUE(child.waitForFinished(30000));
  const QByteArray answer = child.readAllStandardOutput().trimmed();
  EXPECT_TRUE(answer == "cyrillic" || answer == "other") << answer.constData();
  return answer == "cyrillic";
}

TEST(SystemLanguage, IsCyrillicExactlyWhenTheLocaleScriptIs) {
  const LocaleCase cases[] = {
      {{"LC_ALL=bg_BG.UTF-8"}, true},
      {{"LANG=bg_BG.UTF-8"}, true},
      {{"LANG=ru_RU.UTF-8"}, true},
      {{"LC_ALL=uk_UA.UTF-8"}, true},
      {{"LC_ALL=sr_RS.UTF-8"}, true},
      {{"LANG=en_US.UTF-8", "LC_MESSAGES=bg_BG.UTF-8"}, true},
      {{"LC_ALL=en_GB.UTF-8", "LANG=bg_BG.UTF-8"}, false},
      {{"LANG=en_US.UTF-8"}, false},
      {{"LANG=de_DE.UTF-8"}, false},
      {{"LC_ALL=C"}, false},
      {{}, false},
  };
  for (const LocaleCase& c : cases) {
    EXPECT_EQ(ChildReportsCyrillic(c.environment), c.cyrillic)
        << c.environment.join(' ').toStdString();
  }
}

}  // namespace
