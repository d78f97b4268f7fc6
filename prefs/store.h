#pragma once

#include <QSettings>
#include <QVariant>

#include <span>
#include <utility>

namespace prefs {

// The registry key HKEY_CURRENT_USER\Software\Tavrin Ltd\Quillsetter on Windows,
// "Tavrin Ltd/Quillsetter.conf" in the user's configuration folder elsewhere.
class Store : public QSettings {
 public:
  Store() : QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd", "Quillsetter") {}
};

// A value to store under its name; an invalid (default) QVariant removes the name.
using NamedValue = std::pair<const char*, QVariant>;

// Writes every value into the store, keeping what else it holds; true only when all of them are
// stored. A failed write leaves the store as it was.
bool WriteValues(std::span<const NamedValue> values);

}  // namespace prefs
