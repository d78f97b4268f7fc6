#pragma once

#include <QJsonObject>
#include <QString>

// Results to standard output, messages to standard error, a line each.
namespace cli {

void Out(const QString& text);
void Err(const QString& text);
// One JSON object on one line.
QString JsonLine(const QJsonObject& object);

}  // namespace cli
