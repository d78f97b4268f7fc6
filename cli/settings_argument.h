#pragma once

#include <QString>

#include <optional>

#include "settings_sequence.h"

namespace cli {

// The settings of the FILE argument; nothing, with the message written, when the file cannot be
// read or a value in it is not usable.
std::optional<printer::PrinterSettings> LoadSettingsArgument(const QString& file);

}  // namespace cli
