#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "settings_sequence.h"

// A file of printer settings, saved once and loaded for each printer of a shop: INI text whose
// group [Printer] holds the ten settings under their stored names, as list indices, and "Model",
// the name of the printer they were saved from, for people to read.
namespace prefs {

inline constexpr const char* kPrinterSettingsExtension = ".quillsetter";
// A settings file holds a few lines; a larger one is no settings file, and is not read whole.
inline constexpr qint64 kMaxPrinterSettingsBytes = qint64{64} * 1024;

// Why a file gave no settings.
enum class LoadFailure { None, Unreadable, TooLarge };

struct LoadedPrinterSettings {
  printer::PrinterSettings settings;
  // The names of the values that were missing, not an integer or outside their list; each of
  // these settings kept the value it had.
  QStringList skipped;
};

// Writes every setting and the model name; false when the file could not be written, which then
// is as it was.
bool SavePrinterSettings(const QString& path, const printer::PrinterSettings& settings,
                         const QString& model);

// `current` with each setting the file holds as an entry of its list; nothing when the file
// cannot be read (missing, unreadable, not INI text, or without a [Printer] group) or is larger
// than kMaxPrinterSettingsBytes. failure, when given, receives which.
std::optional<LoadedPrinterSettings> LoadPrinterSettings(const QString& path,
                                                         const printer::PrinterSettings& current,
                                                         LoadFailure* failure = nullptr);

}  // namespace prefs
