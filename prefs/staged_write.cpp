#include "staged_write.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef Q_OS_WIN
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
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
  // FlushFileBuffers needs a handle that may write; QFile keeps no C runtime one on Windows.
  const HANDLE file =
      CreateFileW(QFile(path).filesystemFileName().c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(file) != 0;
  CloseHandle(file);
  return flushed;
#else
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && fsync(file.handle()) == 0;
#endif
}

// Puts the staged file in the place of the target, in one step.
bool ReplaceWith(const QString& staged, const QString& target) {
#ifdef Q_OS_WIN
  // MinGW's std::filesystem::rename will not replace a file that exists.
  return MoveFileExW(QFile(staged).filesystemFileName().c_str(),
                     QFile(target).filesystemFileName().c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code error;
  std::filesystem::rename(QFile(staged).filesystemFileName(), QFile(target).filesystemFileName(),
                          error);
  return !error;
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
// usual 022), as a plain editor would make it.
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

// A file of its own beside the target, under a name no other file has, made empty with the
// target's permissions; removed unless it took the target's place.
class StagedFile {
 public:
  explicit StagedFile(const QString& target)
      : file_(target + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate64(), 16,
                                                     16, QLatin1Char('0'))),
        created_(Create(file_)),
        ready_(created_ && file_.setPermissions(QFile::exists(target) ? QFile::permissions(target)
                                                                      : NewFilePermissions())) {}
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile() {
    if (created_ && !placed_) file_.remove();
  }

  bool Ready() const { return ready_; }
  QString Name() const { return file_.fileName(); }
  void Placed() { placed_ = true; }

 private:
  static bool Create(QFile& file) {
    const bool created = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    file.close();
    return created;
  }

  QFile file_;
  bool created_;
  bool ready_;
  bool placed_ = false;
};

}  // namespace

bool WriteIniFile(const QString& path, const std::function<void(QSettings&)>& fill) {
  const QString target = FileToReplace(path);
  StagedFile staged(target);
  if (!staged.Ready()) return false;
  {
    // QSettings writes through a file of its own and renames it over the staged one, keeping its
    // permissions.
    QSettings next(staged.Name(), QSettings::IniFormat);
    fill(next);
    next.sync();
    if (next.status() != QSettings::NoError ||
        !HoldsAllKeys(staged.Name(), next.allKeys().size())) {
      return false;
    }
  }
  if (!FlushToDisk(staged.Name()) || !ReplaceWith(staged.Name(), target)) return false;
  staged.Placed();
  FlushFolder(target);
  return true;
}

}  // namespace prefs
