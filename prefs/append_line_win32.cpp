#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <QDir>

#include <string>

#include "append_line.h"

namespace prefs {

// QFile's append seeks to the end and then writes, so two programs appending at once overwrite
// each other's lines; a handle with only FILE_APPEND_DATA has every write put at the end.
bool AppendLine(const QString& path, const QByteArray& line) {
  const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
  const HANDLE file = CreateFileW(name.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL wrote =
      WriteFile(file, line.constData(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  return wrote && written == static_cast<DWORD>(line.size());
}

}  // namespace prefs
