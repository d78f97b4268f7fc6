#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "staged_write.h"
#include "store.h"
#include "stored_integer.h"

namespace prefs {
namespace {

// True when the store already holds every value as that integer.
bool HoldsValues(const QSettings& store, std::span<const NamedValue> values) {
  return std::all_of(values.begin(), values.end(), [&](const NamedValue& value) {
    return ReadInteger(store, value.first) == value.second;
  });
}

}  // namespace

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
    for (const auto& [name, value] : values) next.setValue(name, value);
  });
}

}  // namespace prefs
