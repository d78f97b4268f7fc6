#include "settings_argument.h"

#include "commands.h"
#include "printer_settings_file.h"
#include "report.h"

namespace cli {

std::optional<printer::PrinterSettings> LoadSettingsArgument(const Arguments& arguments) {
  const QString& file = arguments.file;
  const auto loaded = prefs::LoadPrinterSettings(file, printer::PrinterSettings{});
  if (!loaded) {
    Failed(arguments.json, kUsage, "Cannot read the settings file " + file + '.');
    return std::nullopt;
  }
  if (!loaded->skipped.isEmpty()) {
    Failed(arguments.json, kUsage,
           "The settings file " + file +
               " has no usable value for: " + loaded->skipped.join(QStringLiteral(", ")) + '.');
    return std::nullopt;
  }
  return loaded->settings;
}

}  // namespace cli
