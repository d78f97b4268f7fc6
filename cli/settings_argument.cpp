#include "settings_argument.h"

#include "output.h"
#include "printer_settings_file.h"

namespace cli {

std::optional<printer::PrinterSettings> LoadSettingsArgument(const QString& file) {
  const auto loaded = prefs::LoadPrinterSettings(file, printer::PrinterSettings{});
  if (!loaded) {
    Err("Cannot read the settings file " + file + '.');
    return std::nullopt;
  }
  if (!loaded->skipped.isEmpty()) {
    Err("The settings file " + file +
        " has no usable value for: " + loaded->skipped.join(QStringLiteral(", ")) + '.');
    return std::nullopt;
  }
  return loaded->settings;
}

}  // namespace cli
