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

#include "text_output.h"

namespace cli {
namespace {

constexpr int kBarWidth = 24;

}  // namespace

ProgressLine::ProgressLine() : terminal_(QUILLSETTER_ISATTY(QUILLSETTER_FILENO(stderr)) != 0) {}

void ProgressLine::Show(int done, int total, const QString& what) {
  const QString count = QStringLiteral("%1/%2").arg(done).arg(total);
  if (!terminal_) {
    WriteText(Stream::Err, count + u' ' + what + u'\n');
    return;
  }
  const int filled = total > 0 ? done * kBarWidth / total : 0;
  const QString bar = QString(filled, u'#') + QString(kBarWidth - filled, u'.');
  // Cleared to the end of the line, since a shorter text follows a longer one.
  WriteText(Stream::Err, QStringLiteral("\r[%1] %2 %3\x1b[K").arg(bar, count, what));
  open_ = true;
}

void ProgressLine::Finish() {
  if (!open_) return;
  WriteText(Stream::Err, QStringLiteral("\n"));
  open_ = false;
}

}  // namespace cli
