#include "printer_settings_file.h"

#include <QFileInfo>
#include <QSettings>

#include <array>
#include <tuple>

#include "printer.h"
#include "staged_write.h"
#include "stored_integer.h"
#include "stored_names.h"

namespace prefs {
namespace {

using printer::PrinterSettings;

constexpr auto kGroup = "Printer";
constexpr auto kModel = "Model";
// The auto-cutter, paper, command-set and ESC t lists: off and on.
constexpr int kSwitchPositions = 2;

template <class Labels>
constexpr int EntriesOf(const Labels& /*labels*/) {
  return static_cast<int>(std::tuple_size_v<Labels>);
}

struct PrinterValue {
  const char* name;
  int PrinterSettings::*field;
  int entries;  // the size of its list
};

constexpr std::array<PrinterValue, 10> kPrinterValues{{
    {names::kIntensity, &PrinterSettings::intensity, EntriesOf(printer::kIntensityLabels)},
    // Every family's speed list has as many entries as the one shown before a connection.
    {names::kSpeed, &PrinterSettings::speed, EntriesOf(printer::kUnconnectedSpeedLabels)},
    {names::kCountry, &PrinterSettings::country, EntriesOf(printer::kCountryLabels)},
    {names::kCodePage, &PrinterSettings::codePage, EntriesOf(printer::kCodePageLabels)},
    {names::kNewBaud, &PrinterSettings::newBaud, EntriesOf(printer::kBaudLabels)},
    {names::kAutoCutter, &PrinterSettings::autoCutter, kSwitchPositions},
    {names::kPaper, &PrinterSettings::paper, kSwitchPositions},
    {names::kProtocol, &PrinterSettings::protocol, EntriesOf(printer::kProtocolLabels)},
    {names::kCommandSet, &PrinterSettings::commandSet, kSwitchPositions},
    {names::kEsct, &PrinterSettings::esct, kSwitchPositions},
}};

QString KeyOf(const char* name) { return QString::fromLatin1(kGroup) + u'/' + QLatin1String(name); }

}  // namespace

bool SavePrinterSettings(const QString& path, const PrinterSettings& settings,
                         const QString& model) {
  return WriteIniFile(path, [&](QSettings& file) {
    for (const PrinterValue& value : kPrinterValues) {
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
  for (const PrinterValue& value : kPrinterValues) {
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
