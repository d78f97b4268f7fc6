#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "settings_sequence.h"

// The writes that printed pages are made of: the test page, the installation slip and the
// code-page proof.
namespace printer {

using PrintBytes = std::vector<std::uint8_t>;

// One write of a page, and what it is in words, for the progress line.
struct PrintWrite {
  PrintBytes bytes;
  const char* what;
};

// ESC @: the printer empties its buffer and takes its power-on modes (its code page among them).
PrintWrite ResetWrite();
// ESC t n.
PrintWrite SelectCodePageWrite(int codePage);
// Blank lines below the last, then GS V 66 0; a printer without a cutter ignores the cut.
PrintWrite FeedAndCutWrite();
// The bytes as they are, then a line feed.
PrintWrite LineWrite(std::string_view bytes);
// Text in the code page, "?" for what it cannot carry, then a line feed.
PrintWrite TextLineWrite(int codePage, std::string_view utf8);
// "8x: " and the sixteen bytes from first (a multiple of 16), then a line feed.
PrintWrite ChartRowWrite(int first);

// One step a write, without pauses; the first sets the bar's maximum to the count. The last (a
// page ends with ESC @) is sent also after a stop.
SettingsSequence PrintSteps(std::vector<PrintWrite> writes);

}  // namespace printer
