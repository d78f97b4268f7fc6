#include <QDir>

#include "store.h"

namespace prefs {

Store::Store()
    : QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd", "Quillsetter") {}

// The registry key is the user's; so is the temporary folder.
QString StoreLockPath() {
  return QDir::temp().filePath(QStringLiteral("Tavrin Ltd Quillsetter.lock"));
}

bool WriteValues(std::span<const NamedValue> values) {
  Store store;
  for (const auto& [name, value] : values) {
    if (!value.isValid()) {
      store.remove(name);
    } else {
      store.setValue(name, value);
    }
  }
  store.sync();
  return store.status() == QSettings::NoError;
}

}  // namespace prefs
