#include "application_title.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ApplicationTitleFor(const QString& programPath) {
  QString name = QFileInfo(programPath).fileName().section(u'.', 0, 0);
  if (name.isEmpty()) return name;
  return name.first(1) + name.sliced(1).toLower();
}

QString ApplicationTitle() { return ApplicationTitleFor(QCoreApplication::applicationFilePath()); }
