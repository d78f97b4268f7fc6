#include "progress_line.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define QUILLSETTER_ISATTY _isatty
#define QUILLSETTER_FILENO _fileno
#else
#include <unistd.h>
#define QUILLSETTER_ISATTY isatty
#define QUILLSETTER_FILENO fileno
#endif

namespace cli {
namespace {

constexpr int kBarWidth = 24;

}  // namespace

ProgressLine::ProgressLine() : terminal_(QUILLSETTER_ISATTY(QUILLSETTER_FILENO(stderr)) != 0) {}

void ProgressLine::Show(int done, int total, const QString& what) {
  const QString count = QStringLiteral("%1/%2").arg(done).arg(total);
  if (!terminal_) {
    std::fprintf(stderr, "%s %s\n", qPrintable(count), qPrintable(what));
    return;
  }
  const int filled = total > 0 ? done * kBarWidth / total : 0;
  const QString bar = QString(filled, u'#') + QString(kBarWidth - filled, u'.');
  // Cleared to the end of the line, since a shorter text follows a longer one.
  std::fprintf(stderr, "\r[%s] %s %s\x1b[K", qPrintable(bar), qPrintable(count), qPrintable(what));
  std::fflush(stderr);
  open_ = true;
}

void ProgressLine::Finish() {
  if (!open_) return;
  std::fputc('\n', stderr);
  open_ = false;
}

}  // namespace cli
