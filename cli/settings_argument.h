#pragma once

#include <QString>

#include <optional>

#include "arguments.h"
#include "settings_sequence.h"

namespace cli {

// The settings of the FILE argument; nothing, with the failure said (exit status kUsage), when
// the file cannot be read or a value a send to the family carries is missing or not usable
// (printer::kNoFamily: a value every family's send carries; a file for any printer is checked
// for printer::kDipFamily, whose send carries all ten).
std::optional<printer::PrinterSettings> LoadSettingsArgument(const Arguments& arguments,
                                                             int family);

}  // namespace cli
