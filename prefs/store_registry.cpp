#include "store.h"

namespace prefs {

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
