#include "device_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace ports {

bool IsPseudoTerminal(const QString& path) {
#ifdef Q_OS_LINUX
  // Linux device numbers: BSD pty masters and slaves, the multiplexer /dev/ptmx, and the Unix 98
  // masters and slaves (/dev/pts/N).
  constexpr unsigned kBsdPtyMaster = 2;
  constexpr unsigned kBsdPtySlave = 3;
  constexpr unsigned kTtyAuxMajor = 5;
  constexpr unsigned kPtmxMinor = 2;
  constexpr unsigned kFirstUnix98Major = 128;
  constexpr unsigned kLastUnix98Major = 143;
  struct stat status {};
  if (stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISCHR(status.st_mode)) {
    return false;
  }
  const unsigned number = major(status.st_rdev);
  return number == kBsdPtyMaster || number == kBsdPtySlave ||
         (number == kTtyAuxMajor && minor(status.st_rdev) == kPtmxMinor) ||
         (number >= kFirstUnix98Major && number <= kLastUnix98Major);
#else
  Q_UNUSED(path);
  return false;
#endif
}

bool SameDevice(const QString& first, const QString& second) {
  const QString firstTarget = QFileInfo(first).canonicalFilePath();
  const QString secondTarget = QFileInfo(second).canonicalFilePath();
  if (!firstTarget.isEmpty() && !secondTarget.isEmpty()) return firstTarget == secondTarget;
  // Names that lead to no file, as Windows names its ports ("COM3", "com3"), compare as names.
  return first.compare(second, Qt::CaseInsensitive) == 0;
}

QString StableName(const QString& device, const QString& byIdFolder) {
  const QDir folder(byIdFolder);
  for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
    if (link.isSymLink() && SameDevice(link.absoluteFilePath(), device)) {
      return link.absoluteFilePath();
    }
  }
  return device;
}

}  // namespace ports
