#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

#include "store.h"

namespace prefs {
namespace {

// QSaveFile (Qt 6.4) renames its temporary file into place even when the last buffered write
// failed, as on a full disk, and QSettings then reports success for a cut-off file. A complete
// file ends with a newline and has one line for each key.
bool HoldsAllKeys(const QString& path, qsizetype keyCount) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray text = file.readAll();
  qsizetype keyLines = 0;
  for (const QByteArray& line : text.split('\n')) {
    if (!line.isEmpty() && !line.startsWith('[')) ++keyLines;
  }
  return text.endsWith('\n') && keyLines == keyCount;
}

// The file a save replaces: the target of a symbolic link rather than the link.
QString FileToReplace(const QString& path) {
  const QFileInfo info(path);
  return info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
}

}  // namespace

// The new file is written beside the old one, checked, and only then renamed over it.
bool WriteValues(std::span<const NamedValue> values) {
  const Store current;
  // A file that cannot be read would lose what it holds besides these values.
  if (current.status() == QSettings::AccessError) return false;
  const QString target = FileToReplace(current.fileName());
  if (!QDir().mkpath(QFileInfo(target).path())) return false;

  QTemporaryFile staged(target + ".XXXXXX");
  if (!staged.open()) return false;
  if (QFile::exists(target)) staged.setPermissions(QFile::permissions(target));
  {
    QSettings next(staged.fileName(), QSettings::IniFormat);
    for (const QString& key : current.allKeys()) next.setValue(key, current.value(key));
    for (const auto& [name, value] : values) {
      if (!value.isValid()) {
        next.remove(name);
      } else {
        next.setValue(name, value);
      }
    }
    next.sync();
    if (next.status() != QSettings::NoError ||
        !HoldsAllKeys(staged.fileName(), next.allKeys().size())) {
      return false;
    }
  }
  return std::rename(QFile::encodeName(staged.fileName()).constData(),
                     QFile::encodeName(target).constData()) == 0;
}

}  // namespace prefs
