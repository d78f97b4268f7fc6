#include "install_log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

#include "append_line.h"
#include "printer_values.h"

namespace prefs {

QString DefaultInstallLogPath() {
  // The window and the command line are programs of different names; the data folder is the
  // application's, named as its stored choices are, wherever Qt keeps an application's data: the
  // roaming folder on Windows, the user's data folder (XDG_DATA_HOME) elsewhere.
#ifdef Q_OS_WIN
  const QString data = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
#else
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
  return data + QStringLiteral("/Tavrin Ltd/Quillsetter/installs.jsonl");
}

namespace {

// Whether the file's last byte is not a line's end: a crash or a full disk cut its last record.
bool EndsInsideALine(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.size() > 0 && file.seek(file.size() - 1) &&
         file.read(1) != QByteArrayLiteral("\n");
}

}  // namespace

QJsonObject InstallRecordJson(const InstallRecord& record) {
  QJsonObject settings;
  for (const PrinterValue& value : PrinterValues()) {
    settings.insert(QLatin1String(value.name), record.settings.*value.field);
  }
  QJsonObject json{
      {"time", record.time.toUTC().toString(Qt::ISODate)},
      {"tool", record.tool},
      {"host", record.host},
      {"port", record.port},
      {"device", record.device},
      {"model", record.model},
      {"family", record.family},
      {"baud_before", static_cast<qint64>(record.baudBefore)},
      {"baud_after", static_cast<qint64>(record.baudAfter)},
      {"settings", settings},
      {"result", record.result},
      {"status", record.status},
  };
  if (!record.settingsFile.isEmpty()) {
    json.insert("settings_file", record.settingsFile);
    json.insert("sha256", record.sha256);
  }
  return json;
}

bool AppendInstallRecord(const QString& path, const InstallRecord& record) {
  const QByteArray line =
      QJsonDocument(InstallRecordJson(record)).toJson(QJsonDocument::Compact) + '\n';
  QDir().mkpath(QFileInfo(path).absolutePath());
  // A file cut short (a crash, a full disk) ends inside a line: the record starts a line of its
  // own, or the cut line would swallow it. An empty line costs a reader nothing.
  return AppendLine(path, EndsInsideALine(path) ? '\n' + line : line);
}

std::optional<int> ForEachInstallRecord(const QString& path,
                                        const std::function<void(const QJsonObject&)>& each) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  int unreadableLines = 0;
  // A line at a time: a log of years is read in the memory of its longest line.
  while (!file.atEnd()) {
    const QByteArray line = file.readLine();
    if (line.trimmed().isEmpty()) continue;
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (document.isObject()) {
      each(document.object());
    } else {
      ++unreadableLines;
    }
  }
  return unreadableLines;
}

std::optional<InstallLog> ReadInstallLog(const QString& path) {
  InstallLog log;
  const auto unreadable = ForEachInstallRecord(
      path, [&log](const QJsonObject& record) { log.records.push_back(record); });
  if (!unreadable) return std::nullopt;
  log.unreadableLines = *unreadable;
  return log;
}

QString FileSha256(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&file);
  return QString::fromLatin1(hash.result().toHex());
}

}  // namespace prefs
