#include "install_log.h"

#include <QCoreApplication>
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
  // application's, named as its stored choices are.
  const QString organization = QCoreApplication::organizationName();
  const QString application = QCoreApplication::applicationName();
  QCoreApplication::setOrganizationName(QStringLiteral("Tavrin Ltd"));
  QCoreApplication::setApplicationName(QStringLiteral("Quillsetter"));
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QCoreApplication::setOrganizationName(organization);
  QCoreApplication::setApplicationName(application);
  return folder + QStringLiteral("/installs.jsonl");
}

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
  return AppendLine(path, line);
}

std::optional<InstallLog> ReadInstallLog(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  InstallLog log;
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (line.trimmed().isEmpty()) continue;
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (document.isObject()) {
      log.records.push_back(document.object());
    } else {
      ++log.unreadableLines;
    }
  }
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
