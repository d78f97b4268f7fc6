#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "staged_write.h"
#include "store.h"
#include "stored_integer.h"

namespace prefs {
namespace {

// The user's settings file, where QSettings keeps it (also where a test or the system moved the
// configuration folder): beside the organization's file, which QSettings reads as the store's
// fallback in any case.
QString UserStoreFile() {
  const QSettings organization(QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd");
  return QFileInfo(organization.fileName()).path() + QStringLiteral("/Tavrin Ltd/Quillsetter.conf");
}

// QSettings opens whatever is at its path and would wait for ever on a FIFO. The folder in its
// place cannot be opened as a file, and reads as a file that cannot be opened.
QString StoreFileToOpen() {
  const QString file = UserStoreFile();
  const QFileInfo info(file);
  return info.exists() && !info.isFile() ? info.path() : file;
}

// True when the store already holds every value as it is: an integer as that integer, a text as
// that text, and an invalid value (one to remove) not at all.
bool HoldsValue(const QSettings& store, const NamedValue& value) {
  const auto& [name, wanted] = value;
  if (!wanted.isValid()) return !store.contains(name);
  if (wanted.typeId() == QMetaType::Int) return ReadInteger(store, name) == wanted.toInt();
  return store.value(name) == wanted;
}

bool HoldsValues(const QSettings& store, std::span<const NamedValue> values) {
  return std::all_of(values.begin(), values.end(),
                     [&](const NamedValue& value) { return HoldsValue(store, value); });
}

}  // namespace

Store::Store() : QSettings(StoreFileToOpen(), QSettings::NativeFormat) {}

QString StoreLockPath() { return UserStoreFile() + QStringLiteral(".lock"); }

// A file that already holds these values is left alone, with the user's own lines and comments;
// otherwise it is written anew with everything else it holds.
bool WriteValues(std::span<const NamedValue> values) {
  const Store current;
  // A file that cannot be read would lose what it holds besides these values.
  if (current.status() == QSettings::AccessError) return false;
  // A damaged file is rewritten clean even then.
  if (current.status() == QSettings::NoError && HoldsValues(current, values)) return true;
  if (!QDir().mkpath(QFileInfo(current.fileName()).path())) return false;
  return WriteIniFile(current.fileName(), [&](QSettings& next) {
    for (const QString& key : current.allKeys()) next.setValue(key, current.value(key));
    for (const auto& [name, value] : values) {
      if (value.isValid()) {
        next.setValue(name, value);
      } else {
        next.remove(name);
      }
    }
  });
}

}  // namespace prefs
