#pragma once

#include <QSettings>
#include <QString>

#include <functional>

namespace prefs {

// Writes the INI file at `path` anew with what `fill` sets: a staged file beside it is written,
// checked complete and flushed to disk, then renamed over it, and the folder is flushed too, so
// that neither a failure nor a power cut leaves a part of a file. A link is followed and the file
// keeps its permissions. False when a step fails; the file is then as it was and no staged file is
// left behind.
bool WriteIniFile(const QString& path, const std::function<void(QSettings&)>& fill);

}  // namespace prefs
