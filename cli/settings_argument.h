#pragma once

#include <QString>

#include <optional>

#include "arguments.h"
#include "settings_sequence.h"

namespace cli {

// The settings of the FILE argument; nothing, with the failure said (exit status kUsage), when
// the file cannot be read or a value in it is not usable.
std::optional<printer::PrinterSettings> LoadSettingsArgument(const Arguments& arguments);

}  // namespace cli
