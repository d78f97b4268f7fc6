#include "store.h"

namespace prefs {

bool WriteValues(std::span<const NamedValue> values) {
  Store store;
  for (const auto& [name, value] : values) store.setValue(name, value);
  store.sync();
  return store.status() == QSettings::NoError;
}

}  // namespace prefs
