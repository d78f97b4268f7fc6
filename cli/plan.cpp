#include "plan.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include "command_decoder.h"
#include "commands.h"
#include "printer.h"
#include "printer_messages.h"
#include "report.h"

namespace cli {
namespace {

constexpr int kBitsPerByte = 10;  // 8N1: a start and a stop bit around each byte
constexpr int kHexColumn = 40;

QString Hex(const std::vector<std::uint8_t>& bytes) {
  QStringList hex;
  for (const std::uint8_t byte : bytes)
    hex << QStringLiteral("%1").arg(static_cast<unsigned>(byte), 2, 16, QChar(u'0')).toUpper();
  return hex.join(u' ');
}

QStringList Meaning(const std::vector<std::uint8_t>& bytes, int family) {
  QStringList meaning;
  printer::CommandDecoder decoder(family);
  for (const printer::DecodedCommand& command : decoder.Feed(bytes, 0)) {
    meaning << QString::fromStdString(command.Describe());
  }
  return meaning;
}

}  // namespace

void PrintPlan(const QString& title, const printer::SettingsSequence& steps, int family,
               std::uint32_t rate, bool json) {
  QJsonArray planned;
  std::int64_t pauses = 0;
  std::size_t bytes = 0;
  QStringList lines;
  int number = 0;
  for (const printer::SequenceStep& step : steps) {
    const QString hex = Hex(step.bytes);
    const QStringList meaning = Meaning(step.bytes, family);
    pauses += step.pauseMs;
    bytes += step.bytes.size();
    planned.append(QJsonObject{{"bytes", hex},
                               {"meaning", QJsonArray::fromStringList(meaning)},
                               {"pause_ms", step.pauseMs}});
    QString line = QStringLiteral("%1  %2  %3")
                       .arg(++number, 3)
                       .arg(hex, -kHexColumn)
                       .arg(meaning.join(QStringLiteral("; ")));
    if (step.pauseMs > 0) line += QStringLiteral("; then %1 ms").arg(step.pauseMs);
    lines << line;
  }
  const std::int64_t wire =
      rate == 0 ? 0 : static_cast<std::int64_t>(bytes) * kBitsPerByte * 1000 / rate;
  if (json) {
    QJsonObject plan{{"plan", title},
                     {"family", family},
                     {"steps", planned},
                     {"bytes", static_cast<qint64>(bytes)},
                     {"pause_ms", static_cast<qint64>(pauses)}};
    if (rate != 0) {
      plan.insert("baud", static_cast<qint64>(rate));
      plan.insert("total_ms", static_cast<qint64>(pauses + wire));
    }
    OutJson(plan);
    return;
  }
  Out(title + u':');
  for (const QString& line : lines) Out(line);
  QString total = QStringLiteral("Total: %1 steps, %2 bytes, %3 ms of pauses")
                      .arg(steps.size())
                      .arg(bytes)
                      .arg(pauses);
  if (rate != 0) total += QStringLiteral(", %1 ms in all at %2 bps").arg(pauses + wire).arg(rate);
  Out(total);
}

int PlanForModel(const QString& model,
                 const std::function<printer::SettingsSequence(int family)>& stepsFor, bool json) {
  const int family = printer::Classify(model.toStdString());
  if (family == printer::kNoFamily) {
    return Failed(json, kUnsupported, texts::UnsupportedModel(model));
  }
  PrintPlan(model, stepsFor(family), family, 0, json);
  return kDone;
}

}  // namespace cli
