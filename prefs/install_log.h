#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "settings_sequence.h"

// The install log: one JSON line for each printer a send reached, appended with a single write so
// that several runs on one machine can share one file. (Appends are whole only on a local disk:
// NFS and SMB do not make them atomic.)
namespace prefs {

struct InstallRecord {
  QDateTime time;  // written in UTC, ISO 8601
  QString tool;    // the program's version
  QString host;
  QString port;    // as the user named it: "COM3", "ttyUSB0"
  QString device;  // what was opened
  QString model;
  int family = -1;
  std::uint32_t baudBefore = 0;
  std::uint32_t baudAfter = 0;
  printer::PrinterSettings settings;
  QString settingsFile;  // empty when no file was used; then no sha256 either
  QString sha256;
  QString result;  // "configured", "restart-needed", "failed", ...
  QString status;  // a sentence for people
};

// installs.jsonl in the application's data folder: where the window logs every completed Set.
QString DefaultInstallLogPath();

// The record as its JSON line holds it: time, tool, host, port, device, model, family,
// baud_before, baud_after, settings (the ten values by their stored names), settings_file and
// sha256 when a file was used, result and status.
QJsonObject InstallRecordJson(const InstallRecord& record);

// Appends the record as one line, creating the file and its folder where needed; false when it
// could not be written whole.
bool AppendInstallRecord(const QString& path, const InstallRecord& record);

struct InstallLog {
  std::vector<QJsonObject> records;  // in the file's order
  int unreadableLines = 0;           // lines that are not a JSON object (a torn or foreign line)
};

// Calls each for every record of the file, in the file's order, reading a line at a time; the
// number of lines that are not records, or nothing when the file cannot be read.
std::optional<int> ForEachInstallRecord(const QString& path,
                                        const std::function<void(const QJsonObject&)>& each);

// The records of the file; nothing when it cannot be read.
std::optional<InstallLog> ReadInstallLog(const QString& path);

// The SHA-256 of a file's bytes in lower-case hex; empty when it cannot be read.
QString FileSha256(const QString& path);

}  // namespace prefs
