#pragma once

#include <QByteArray>
#include <QString>

namespace prefs {

// Adds `line` at the end of the file at `path` (made if missing) in one write, so that lines
// appended at once by several programs stay whole and none is lost.
bool AppendLine(const QString& path, const QByteArray& line);

}  // namespace prefs
