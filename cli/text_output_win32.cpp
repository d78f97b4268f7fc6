#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "text_output.h"

namespace cli {

bool WriteText(Stream stream, const QString& text) {
  std::FILE* file = stream == Stream::Out ? stdout : stderr;
  const HANDLE handle = GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetConsoleMode(handle, &mode) == 0) {
    // A pipe or a file: UTF-8 bytes, whatever the system's code page, and lines ending in LF as
    // on Linux, so that a script reads the same output on both.
    _setmode(_fileno(file), _O_BINARY);
    const QByteArray bytes = text.toUtf8();
    const auto size = static_cast<std::size_t>(bytes.size());
    const bool written = std::fwrite(bytes.constData(), 1, size, file) == size;
    return std::fflush(file) == 0 && written;
  }
  // What went through the C library before comes first. The progress bar clears its line with
  // ESC [ K, which a console of Windows 10 obeys once asked.
  std::fflush(file);
  SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  // QString holds UTF-16, as wchar_t is on Windows.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
  const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
  DWORD written = 0;
  return WriteConsoleW(handle, wide, static_cast<DWORD>(text.size()), &written, nullptr) != 0 &&
         written == static_cast<DWORD>(text.size());
}

}  // namespace cli
