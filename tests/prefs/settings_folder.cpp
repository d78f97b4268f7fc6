#include "settings_folder.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <ostream>

SettingsFolder::SettingsFolder() {
  EXPECT_TRUE(dir_.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
}

QString SettingsFolder::OrganisationPath() const { return dir_.path() + "/Tavrin Ltd"; }

QString SettingsFolder::FilePath() const { return OrganisationPath() + "/Quillsetter.conf"; }

void SettingsFolder::Write(const QByteArray& text) const {
  ASSERT_TRUE(QDir().mkpath(OrganisationPath()));
  QFile file(FilePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(text), text.size());
}

QByteArray SettingsFolder::Read() const {
  QFile file(FilePath());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QString> SettingsFolder::Values() const {
  QMap<QString, QString> values;
  QString group;
  for (const QByteArray& rawLine : Read().split('\n')) {
    const QString line = QString::fromUtf8(rawLine).trimmed();
    if (line.startsWith(u'[') && line.endsWith(u']')) {
      group = line.mid(1, line.size() - 2);
    } else if (const qsizetype equals = line.indexOf(u'='); equals > 0) {
      const QString key = line.left(equals);
      values.insert(group == "General" ? key : group + "/" + key, line.mid(equals + 1));
    }
  }
  return values;
}

namespace prefs {
void PrintTo(const StoredChoices& c, std::ostream* out) {
  *out << "{language " << c.language << ", port " << c.port << ", baud " << c.baud << ", intensity "
       << c.printer.intensity << ", speed " << c.printer.speed << ", country " << c.printer.country
       << ", codePage " << c.printer.codePage << ", newBaud " << c.printer.newBaud
       << ", autoCutter " << c.printer.autoCutter << ", paper " << c.printer.paper << ", protocol "
       << c.printer.protocol << ", commandSet " << c.printer.commandSet << ", esct "
       << c.printer.esct << "}";
}
}  // namespace prefs

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
