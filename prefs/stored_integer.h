#pragma once

#include <QSettings>
#include <QString>

#include <optional>

namespace prefs {

// Only a 32-bit integer counts: a REG_DWORD in the registry, a plain decimal number (an optional
// sign, digits and nothing else) in a text file. Anything else is no integer at all.
std::optional<int> ReadInteger(const QSettings& settings, const QString& key);

}  // namespace prefs
