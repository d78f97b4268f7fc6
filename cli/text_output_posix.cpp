#include <cstdio>

#include "text_output.h"

namespace cli {

bool WriteText(Stream stream, const QString& text) {
  std::FILE* file = stream == Stream::Out ? stdout : stderr;
  const QByteArray bytes = text.toUtf8();
  const auto size = static_cast<std::size_t>(bytes.size());
  const bool written = std::fwrite(bytes.constData(), 1, size, file) == size;
  return std::fflush(file) == 0 && written;
}

}  // namespace cli
