#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <iosfwd>

#include "preferences.h"

// A fresh temporary folder that QSettings uses as the user's configuration folder while this
// object lives, so the settings file is $folder/Tavrin Ltd/Quillsetter.conf.
class SettingsFolder {
 public:
  SettingsFolder();

  // The folder to give a child process as XDG_CONFIG_HOME.
  QString ConfigPath() const { return dir_.path(); }
  QString FilePath() const;
  QString OrganisationPath() const;
  void Write(const QByteArray& text) const;
  QByteArray Read() const;
  // Every "key=value" line of the file as it is on disk, keys of groups other than
  // [General] as "Group/key".
  QMap<QString, QString> Values() const;

 private:
  QTemporaryDir dir_;
};

namespace prefs {
void PrintTo(const StoredChoices& choices, std::ostream* out);
}

void PrintTo(const QString& text, std::ostream* out);
