#pragma once

#include <string_view>

#include "settings_sequence.h"

// The code-page proof: one text in each code page of the list, so that the technician reads off
// which number prints it right. Nothing the printer stores changes.
namespace printer {

// ESC @; for each code page of the list its number and label ("7: Russian (CP866)"), ESC t with
// it, and the text in that code page ("?" for what it cannot carry), or for a code page whose
// encoding is not known its bytes 0x80..0xFF, sixteen a row; four line feeds and GS V 66 0;
// ESC @ again. One step a write, without pauses.
SettingsSequence BuildCodePageProof(std::string_view utf8Text);

}  // namespace printer
