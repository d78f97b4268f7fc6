#include "printer_settings_file.h"

#include <QFileInfo>
#include <QSettings>

#include "printer_values.h"
#include "staged_write.h"
#include "stored_integer.h"

namespace prefs {
namespace {

using printer::PrinterSettings;

constexpr auto kGroup = "Printer";
constexpr auto kModel = "Model";

QString KeyOf(const char* name) { return QString::fromLatin1(kGroup) + u'/' + QLatin1String(name); }

}  // namespace

bool SavePrinterSettings(const QString& path, const PrinterSettings& settings,
                         const QString& model) {
  return WriteIniFile(path, [&](QSettings& file) {
    for (const PrinterValue& value : PrinterValues()) {
      file.setValue(KeyOf(value.name), settings.*value.field);
    }
    file.setValue(KeyOf(kModel), model);
  });
}

std::optional<LoadedPrinterSettings> LoadPrinterSettings(const QString& path,
                                                         const PrinterSettings& current,
                                                         LoadFailure* failure) {
  const auto failed = [failure](LoadFailure why) {
    if (failure != nullptr) *failure = why;
    return std::nullopt;
  };
  if (failure != nullptr) *failure = LoadFailure::None;
  // QSettings takes a missing file for an empty one, and would read a device without end.
  const QFileInfo info(path);
  if (!info.isFile()) return failed(LoadFailure::Unreadable);
  if (info.size() > kMaxPrinterSettingsBytes) return failed(LoadFailure::TooLarge);
  const QSettings file(path, QSettings::IniFormat);
  if (file.status() != QSettings::NoError || !file.childGroups().contains(kGroup)) {
    return failed(LoadFailure::Unreadable);
  }
  LoadedPrinterSettings loaded{current, {}};
  for (const PrinterValue& value : PrinterValues()) {
    const auto index = ReadInteger(file, KeyOf(value.name));
    if (index && *index >= 0 && *index < value.entries) {
      loaded.settings.*value.field = *index;
    } else {
      loaded.skipped << QString::fromLatin1(value.name);
    }
  }
  return loaded;
}

}  // namespace prefs
