#include "preferences.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <array>
#include <optional>

namespace prefs {
namespace {

struct StoredValue {
  const char* name;
  int StoredChoices::*field;
};

// Read and written in this order; the defaults are those of StoredChoices.
constexpr std::array<StoredValue, 13> kStoredValues{{
    {"Language", &StoredChoices::language},
    {"Port", &StoredChoices::port},
    {"Baud", &StoredChoices::baud},
    {"Intensity", &StoredChoices::intensity},
    {"Speed", &StoredChoices::speed},
    {"Country", &StoredChoices::country},
    {"CodePage", &StoredChoices::codePage},
    {"NewBaud", &StoredChoices::newBaud},
    {"Autocutter", &StoredChoices::autoCutter},
    {"Paper", &StoredChoices::paper},
    {"Protocol", &StoredChoices::protocol},
    {"Commandset", &StoredChoices::commandSet},
    {"DsiableESCt", &StoredChoices::esct},
}};

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 8;

// Registry key HKEY_CURRENT_USER\Software\Tavrin Ltd\Quillsetter on Windows,
// "Tavrin Ltd/Quillsetter.conf" in the user's configuration folder elsewhere.
class Store : public QSettings {
 public:
  Store() : QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tavrin Ltd", "Quillsetter") {}
};

std::optional<int> ParseInteger(const QString& text) {
  const bool hasSign = text.startsWith(u'-') || text.startsWith(u'+');
  const auto digits = QStringView(text).sliced(hasSign ? 1 : 0);
  const bool onlyDigits =
      std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
  bool inRange = false;
  const int number = text.toInt(&inRange, 10);
  if (digits.isEmpty() || !onlyDigits || !inRange) return std::nullopt;
  return number;
}

// Only a 32-bit integer counts: a REG_DWORD on Windows, a plain decimal number in the file.
std::optional<int> ReadInteger(const QSettings& store, const char* name) {
  const QVariant value = store.value(name);
  if (value.typeId() == QMetaType::Int) return value.toInt();
#ifndef Q_OS_WIN
  if (value.typeId() == QMetaType::QString) return ParseInteger(value.toString());
#endif
  return std::nullopt;
}

bool HoldsChoices(const StoredChoices& choices) {
  const Store store;
  return store.status() == QSettings::NoError &&
         std::all_of(kStoredValues.begin(), kStoredValues.end(), [&](const StoredValue& value) {
           return ReadInteger(store, value.name) == choices.*value.field;
         });
}

}  // namespace

LoadResult Load() {
  LoadResult result;
  const Store store;
  // A file that exists but cannot be opened: nothing can be read from it.
  if (store.status() == QSettings::AccessError) {
    result.status = LoadStatus::KeyUnavailable;
    return result;
  }
  for (const StoredValue& value : kStoredValues) {
    if (const auto number = ReadInteger(store, value.name)) result.choices.*value.field = *number;
  }
  if (result.choices.port < kLowestPort || result.choices.port > kHighestPort) {
    result.choices.port = StoredChoices{}.port;
  }
  // The status is known only after the values have been parsed.
  if (store.status() != QSettings::NoError) result.status = LoadStatus::Failed;
  return result;
}

bool Save(const StoredChoices& choices) {
  QSettings::Status status = QSettings::NoError;
  {
    Store store;
    for (const StoredValue& value : kStoredValues) store.setValue(value.name, choices.*value.field);
    store.sync();
    status = store.status();
  }
  // A damaged file reports FormatError on reading, which hides the outcome of the write; a
  // fresh read tells whether the new file is in place.
  return status == QSettings::NoError ||
         (status == QSettings::FormatError && HoldsChoices(choices));
}

QString DeviceForPort(int portNumber) {
  const Store store;
  const QVariant device = store.value(QStringLiteral("Ports/COM%1").arg(portNumber));
  return device.typeId() == QMetaType::QString ? device.toString() : QString();
}

}  // namespace prefs
