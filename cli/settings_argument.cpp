#include "settings_argument.h"

#include "commands.h"
#include "printer.h"
#include "printer_settings_file.h"
#include "printer_values.h"
#include "report.h"

namespace cli {

std::optional<printer::PrinterSettings> LoadSettingsArgument(const Arguments& arguments,
                                                             int family) {
  const QString& file = arguments.file;
  const auto loaded = prefs::LoadPrinterSettings(file, printer::PrinterSettings{});
  if (!loaded) {
    Failed(arguments.json, kUsage, "Cannot read the settings file " + file + '.');
    return std::nullopt;
  }
  QStringList missing;
  for (const prefs::PrinterValue& value : prefs::PrinterValues()) {
    const QString name = QString::fromLatin1(value.name);
    if (loaded->skipped.contains(name) && prefs::SentToFamily(value, family)) missing << name;
  }
  if (!missing.isEmpty()) {
    Failed(arguments.json, kUsage,
           "The settings file " + file +
               " has no usable value for: " + missing.join(QStringLiteral(", ")) + '.');
    return std::nullopt;
  }
  return loaded->settings;
}

}  // namespace cli
