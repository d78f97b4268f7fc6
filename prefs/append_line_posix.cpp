#include <QFile>

#include "append_line.h"

namespace prefs {

bool AppendLine(const QString& path, const QByteArray& line) {
  QFile file(path);
  // O_APPEND: the system puts each write at the end, whoever else appends.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) return false;
  return file.write(line) == line.size();
}

}  // namespace prefs
