#pragma once

#include <array>

#include "settings_sequence.h"

// The ten printer settings under the names they are stored by, in the order they are written,
// both among the stored choices and in a printer settings file.
namespace prefs {

struct PrinterValue {
  const char* name;
  int printer::PrinterSettings::*field;
  int entries;     // the size of its list
  bool dipSwitch;  // sent only to the family with DIP switches
};

const std::array<PrinterValue, 10>& PrinterValues();

// Whether a send to a printer of the family carries the value; kNoFamily: a value every family's
// send carries.
bool SentToFamily(const PrinterValue& value, int family);

}  // namespace prefs
