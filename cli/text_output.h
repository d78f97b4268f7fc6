#pragma once

#include <QString>

namespace cli {

enum class Stream { Out, Err };

// Writes text as whoever reads the stream reads it: UTF-8 to a pipe or a file; on Windows a
// console gets it through its own wide-character output, so that Cyrillic comes out right
// whatever its code page. Standard output is flushed, so a line appears as it is written.
// Returns whether all of it went out; errno tells why not.
bool WriteText(Stream stream, const QString& text);

}  // namespace cli
