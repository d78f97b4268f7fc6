#include "preferences.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <array>
#include <optional>

#include "store.h"

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

// Text, stored only while a detected device is the choice.
constexpr auto kPortDevice = "PortDevice";

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 8;

#ifndef Q_OS_WIN
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
#endif

// Only a 32-bit integer counts: a REG_DWORD on Windows, a plain decimal number in the file.
std::optional<int> ReadInteger(const QSettings& store, const char* name) {
  const QVariant value = store.value(name);
  if (value.typeId() == QMetaType::Int) return value.toInt();
#ifndef Q_OS_WIN
  if (value.typeId() == QMetaType::QString) return ParseInteger(value.toString());
#endif
  return std::nullopt;
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
  const QVariant device = store.value(kPortDevice);
  if (device.typeId() == QMetaType::QString) result.choices.portDevice = device.toString();
  // The status is known only after the values have been parsed.
  if (store.status() != QSettings::NoError) result.status = LoadStatus::Failed;
  return result;
}

bool Save(const StoredChoices& choices) {
  std::array<NamedValue, kStoredValues.size() + 1> values;
  std::transform(kStoredValues.begin(), kStoredValues.end(), values.begin(),
                 [&](const StoredValue& value) {
                   return NamedValue{value.name, choices.*value.field};
                 });
  // A COM entry chosen last leaves no device to come back to.
  values.back() = {kPortDevice, choices.portDevice.isEmpty() ? QVariant() : choices.portDevice};
  return WriteValues(values);
}

QString DeviceForPort(int portNumber) {
  const Store store;
  const QVariant device = store.value(QStringLiteral("Ports/COM%1").arg(portNumber));
  return device.typeId() == QMetaType::QString ? device.toString() : QString();
}

}  // namespace prefs
