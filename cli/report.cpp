#include "report.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "text_output.h"

namespace cli {
namespace {

constexpr char16_t kDelete = 0x7F;
constexpr char16_t kLastC1 = 0x9F;

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
void Out(const QString& text) { WriteText(Stream::Out, Printable(text) + u'\n'); }
void Err(const QString& text) { WriteText(Stream::Err, Printable(text) + u'\n'); }

void OutJson(const QJsonObject& object) {
  Out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void Report(const Found& found, bool json, const QString& sentence) {
  if (!json) {
    Out(sentence);
    return;
  }
  OutJson({{"port", found.port},
           {"device", found.device},
           {"baud", static_cast<qint64>(found.baud)},
           {"model", found.model},
           {"family", found.family}});
}

int Failed(bool json, int status, const QString& message, const Found& tried) {
  Err(message);
  if (!json) return status;
  QJsonObject object{{"error", message}, {"status", status}};
  if (!tried.port.isEmpty()) {
    object.insert("port", tried.port);
    object.insert("device", tried.device);
    object.insert("baud", static_cast<qint64>(tried.baud));
  }
  OutJson(object);
  return status;
}

}  // namespace cli
