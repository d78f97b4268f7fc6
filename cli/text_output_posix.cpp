#include <cstdio>

#include "text_output.h"

namespace cli {

void WriteText(Stream stream, const QString& text) {
  std::FILE* file = stream == Stream::Out ? stdout : stderr;
  std::fputs(text.toUtf8().constData(), file);
  std::fflush(file);
}

}  // namespace cli
