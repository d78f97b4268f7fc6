#include "output.h"

#include <QJsonDocument>

#include <cstdio>

namespace cli {

void Out(const QString& text) {
  std::fputs(qPrintable(text + u'\n'), stdout);
  // Lines of a batch appear as each port ends, also through a pipe.
  std::fflush(stdout);
}

void Err(const QString& text) { std::fputs(qPrintable(text + u'\n'), stderr); }

QString JsonLine(const QJsonObject& object) {
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

}  // namespace cli
