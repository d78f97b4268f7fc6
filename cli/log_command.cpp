#include "log_command.h"

#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

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
  const auto cannotRead = [&arguments, &path] {
    return Failed(arguments.json, kUsage, "Cannot read the install log " + path + '.');
  };
  std::optional<int> unreadable;
  if (arguments.json) {
    unreadable = prefs::ForEachInstallRecord(path, OutJson);
    if (!unreadable) return cannotRead();
  } else {
    // Each column as wide as its widest cell, the last one running on: the file is read twice,
    // once for the widths and once for the rows, never held whole.
    std::array<qsizetype, kColumns.size()> widths{};
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      widths[c] = QLatin1String(kColumns[c].heading).size();
    }
    if (!prefs::ForEachInstallRecord(path, [&widths](const QJsonObject& record) {
          for (std::size_t c = 0; c < kColumns.size(); ++c) {
            widths[c] = std::max(widths[c], Cell(record, kColumns[c].key).size());
          }
        })) {
      return cannotRead();
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
    unreadable = prefs::ForEachInstallRecord(path, [&row](const QJsonObject& record) {
      row([&record](std::size_t c) { return Cell(record, kColumns[c].key); });
    });
    if (!unreadable) return cannotRead();
  }
  if (*unreadable > 0) {
    Err(QStringLiteral("%1 lines of %2 are not records; they are left out.")
            .arg(*unreadable)
            .arg(path));
  }
  return kDone;
}

}  // namespace cli
