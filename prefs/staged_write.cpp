#include "staged_write.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace prefs {
namespace {

// QSaveFile (Qt 6.4) renames its temporary file into place even when the last buffered write
// failed, as on a full disk, and QSettings then reports success for a cut-off file. A complete
// file ends with a newline and has one line for each key (on Windows its lines end in CR LF).
bool HoldsAllKeys(const QString& path, qsizetype keyCount) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray text = file.readAll();
  qsizetype keyLines = 0;
  for (const QByteArray& line : text.split('\n')) {
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.isEmpty() && !trimmed.startsWith('[')) ++keyLines;
  }
  return text.endsWith('\n') && keyLines == keyCount;
}

// The file a save replaces: the target of a symbolic link rather than the link.
QString FileToReplace(const QString& path) {
  const QFileInfo info(path);
  return info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
}

// Returns once the file's contents are on the disk, so that a rename cannot reach the disk before
// them and leave an empty file after a power cut.
bool FlushToDisk(const QString& path) {
#ifdef Q_OS_WIN
  // FlushFileBuffers, behind _commit, needs a handle that may write.
  QFile file(path);
  return file.open(QIODevice::ReadWrite) && _commit(file.handle()) == 0;
#else
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && fsync(file.handle()) == 0;
#endif
}

// Returns once the folder's entries, and so the rename, are on the disk. Where that cannot be
// done the rename reaches the disk in the system's own time, and until then a power cut brings
// back the old file, whole. NTFS journals a rename itself.
void FlushFolder(const QString& path) {
#ifdef Q_OS_WIN
  Q_UNUSED(path);
#else
  const int folder = open(QFile::encodeName(QFileInfo(path).path()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  fsync(folder);
  close(folder);
#endif
}

// What a new file of this user gets: read and write for all, less the umask (0644 for the
// usual 022), as a plain editor would make it; the temporary file starts at 0600.
QFile::Permissions NewFilePermissions() {
#ifdef Q_OS_WIN
  return QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
#else
  const mode_t mask = umask(0);
  umask(mask);
  const mode_t mode = 0666 & ~mask;
  QFile::Permissions permissions;
  const std::array<std::pair<mode_t, QFile::Permissions>, 6> bits{{
      {S_IRUSR, QFile::ReadOwner | QFile::ReadUser},
      {S_IWUSR, QFile::WriteOwner | QFile::WriteUser},
      {S_IRGRP, QFile::ReadGroup},
      {S_IWGRP, QFile::WriteGroup},
      {S_IROTH, QFile::ReadOther},
      {S_IWOTH, QFile::WriteOther},
  }};
  for (const auto& [bit, permission] : bits) {
    if ((mode & bit) != 0) permissions |= permission;
  }
  return permissions;
#endif
}

}  // namespace

bool WriteIniFile(const QString& path, const std::function<void(QSettings&)>& fill) {
  const QString target = FileToReplace(path);
  QTemporaryFile staged(target + ".XXXXXX");
  if (!staged.open()) return false;
  staged.setPermissions(QFile::exists(target) ? QFile::permissions(target) : NewFilePermissions());
  // Closed but kept, so that the settings can be written in its place on every system.
  staged.close();
  {
    QSettings next(staged.fileName(), QSettings::IniFormat);
    fill(next);
    next.sync();
    if (next.status() != QSettings::NoError ||
        !HoldsAllKeys(staged.fileName(), next.allKeys().size())) {
      return false;
    }
  }
  if (!FlushToDisk(staged.fileName())) return false;
  std::error_code error;
  std::filesystem::rename(QFile(staged.fileName()).filesystemFileName(),
                          QFile(target).filesystemFileName(), error);
  if (error) return false;
  FlushFolder(target);
  return true;
}

}  // namespace prefs
