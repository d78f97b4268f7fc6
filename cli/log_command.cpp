#include "log_command.h"

#include <QJsonObject>
#include <QStringList>

#include <array>

#include "commands.h"
#include "install_log.h"
#include "report.h"

namespace cli {
namespace {

struct Column {
  const char* key;
  const char* heading;
};

constexpr std::array<Column, 7> kColumns = {{
    {"time", "TIME"},
    {"port", "PORT"},
    {"model", "MODEL"},
    {"baud_before", "BEFORE"},
    {"baud_after", "AFTER"},
    {"result", "RESULT"},
    {"status", "STATUS"},
}};

QString Cell(const QJsonObject& record, const char* key) {
  const QJsonValue value = record.value(QLatin1String(key));
  return value.isDouble() ? QString::number(value.toInteger()) : value.toString();
}

}  // namespace

int ShowLog(const Arguments& arguments) {
  const QString path = arguments.file.isEmpty() ? prefs::DefaultInstallLogPath() : arguments.file;
  const auto log = prefs::ReadInstallLog(path);
  if (!log) {
    return Failed(arguments.json, kUsage, "Cannot read the install log " + path + '.');
  }
  if (log->unreadableLines > 0) {
    Err(QStringLiteral("%1 lines of %2 are not records; they are left out.")
            .arg(log->unreadableLines)
            .arg(path));
  }
  if (arguments.json) {
    for (const QJsonObject& record : log->records) OutJson(record);
    return kDone;
  }
  // Each column as wide as its widest cell; the last one runs on.
  std::array<qsizetype, kColumns.size()> widths{};
  for (std::size_t c = 0; c < kColumns.size(); ++c) {
    widths[c] = QLatin1String(kColumns[c].heading).size();
    for (const QJsonObject& record : log->records) {
      widths[c] = std::max(widths[c], Cell(record, kColumns[c].key).size());
    }
  }
  const auto row = [&widths](const auto& cellOf) {
    QStringList cells;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      const QString cell = cellOf(c);
      cells << (c + 1 < kColumns.size() ? cell.leftJustified(widths[c]) : cell);
    }
    Out(cells.join(QStringLiteral("  ")));
  };
  row([](std::size_t c) { return QString::fromLatin1(kColumns[c].heading); });
  for (const QJsonObject& record : log->records) {
    row([&record](std::size_t c) { return Cell(record, kColumns[c].key); });
  }
  return kDone;
}

}  // namespace cli
