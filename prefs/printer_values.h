#pragma once

#include <array>

#include "settings_sequence.h"

// The ten printer settings under the names they are stored by, in the order they are written,
// both among the stored choices and in a printer settings file.
namespace prefs {

struct PrinterValue {
  const char* name;
  int printer::PrinterSettings::*field;
  int entries;  // the size of its list
};

const std::array<PrinterValue, 10>& PrinterValues();

}  // namespace prefs
