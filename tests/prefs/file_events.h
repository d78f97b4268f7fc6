#pragma once

#include <QString>
#include <QStringList>

// Records, in the order the kernel saw them, each close of one device ("closed") and each file
// that appears in one folder ("created NAME", "moved NAME").
class FileEvents {
 public:
  FileEvents(const QString& device, const QString& folder);
  ~FileEvents();
  FileEvents(const FileEvents&) = delete;
  FileEvents& operator=(const FileEvents&) = delete;

  bool Watching() const { return deviceWatch_ >= 0 && folderWatch_ >= 0; }
  // The events since the last call.
  QStringList Take();

 private:
  int fd_ = -1;
  int deviceWatch_ = -1;
  int folderWatch_ = -1;
};
