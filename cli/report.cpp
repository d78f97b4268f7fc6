#include "report.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "text_output.h"

namespace cli {
namespace {

constexpr char16_t kDelete = 0x7F;
constexpr char16_t kLastC1 = 0x9F;

// The error of the first write to standard output that failed (EPIPE once the reader has gone,
// ENOSPC on a full disk); 0 while all went out. Only the main thread writes results.
int& OutputError() {
  static int error = 0;
  return error;
}

// After a failed write nothing more is tried: a closed pipe takes nothing, and the command runs
// on to its end.
void WriteOut(const QString& text) {
  if (OutputError() != 0) return;
  errno = 0;
  if (!WriteText(Stream::Out, text)) OutputError() = errno != 0 ? errno : EIO;
}

// JSON as JSON takes it: Qt writes DEL and the C1 controls as they are, which a terminal acts on;
// they go out as \u escapes, the rest as Qt escaped it. Text that was not UTF-8 reached the
// string as U+FFFD or as Latin-1 letters, so the line is always valid UTF-8.
QString JsonLine(const QJsonObject& object) {
  const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
  QString escaped;
  escaped.reserve(text.size());
  for (const QChar character : text) {
    const char16_t code = character.unicode();
    escaped += code >= kDelete && code <= kLastC1
                   ? QStringLiteral("\\u%1").arg(code, 4, 16, QLatin1Char('0'))
                   : QString(character);
  }
  return escaped + u'\n';
}

}  // namespace

QString Printable(const QString& text) {
  QString printable;
  printable.reserve(text.size());
  for (const QChar character : text) {
    const char16_t code = character.unicode();
    const bool control = (code < u' ' && code != u'\n') || (code >= kDelete && code <= kLastC1);
    printable +=
        control ? QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0')) : QString(character);
  }
  return printable;
}

// A batch's lines appear as each port ends, also through a pipe: WriteText flushes.
void Out(const QString& text) { WriteOut(Printable(text) + u'\n'); }
void Err(const QString& text) { WriteText(Stream::Err, Printable(text) + u'\n'); }

void OutJson(const QJsonObject& object) { WriteOut(JsonLine(object)); }

int WithOutputWritten(int status) {
  if (OutputError() == 0 && std::fflush(stdout) != 0) OutputError() = errno != 0 ? errno : EIO;
  if (OutputError() == 0) return status;
  Err(QStringLiteral("Cannot write to standard output: %1.")
          .arg(QString::fromLocal8Bit(std::strerror(OutputError()))));
  return status == 0 ? kNotWritten : status;
}

void Report(const Found& found, bool json, const QString& sentence, const QJsonObject& more) {
  if (!json) {
    Out(sentence);
    return;
  }
  QJsonObject object = more;
  object.insert("port", found.port);
  object.insert("device", found.device);
  object.insert("baud", static_cast<qint64>(found.baud));
  object.insert("model", found.model);
  object.insert("family", found.family);
  OutJson(object);
}

int Failed(bool json, int status, const QString& message, const Found& tried,
           const QJsonObject& more) {
  Err(message);
  if (!json) return status;
  QJsonObject object = more;
  object.insert("error", message);
  object.insert("status", status);
  if (!tried.port.isEmpty()) {
    object.insert("port", tried.port);
    object.insert("device", tried.device);
    object.insert("baud", static_cast<qint64>(tried.baud));
  }
  OutJson(object);
  return status;
}

}  // namespace cli
