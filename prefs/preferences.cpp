#include "preferences.h"

#include <QFile>
#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <array>

#include "store.h"
#include "stored_integer.h"
#include "stored_names.h"

namespace prefs {
namespace {

struct StoredValue {
  const char* name;
  int StoredChoices::*field;
};

// Read and written in this order; the defaults are those of StoredChoices.
constexpr std::array<StoredValue, 13> kStoredValues{{
    {names::kLanguage, &StoredChoices::language},
    {names::kPort, &StoredChoices::port},
    {names::kBaud, &StoredChoices::baud},
    {names::kIntensity, &StoredChoices::intensity},
    {names::kSpeed, &StoredChoices::speed},
    {names::kCountry, &StoredChoices::country},
    {names::kCodePage, &StoredChoices::codePage},
    {names::kNewBaud, &StoredChoices::newBaud},
    {names::kAutoCutter, &StoredChoices::autoCutter},
    {names::kPaper, &StoredChoices::paper},
    {names::kProtocol, &StoredChoices::protocol},
    {names::kCommandSet, &StoredChoices::commandSet},
    {names::kEsct, &StoredChoices::esct},
}};

// Text, stored only while a detected device is the choice.
constexpr auto kPortDevice = "PortDevice";

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 8;

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

Tserial::DeviceResolver PortMapResolver() {
  return [](int port) { return QFile::encodeName(DeviceForPort(port)).toStdString(); };
}

QString DeviceForPort(int portNumber) {
  const Store store;
  const QVariant device = store.value(QStringLiteral("Ports/COM%1").arg(portNumber));
  return device.typeId() == QMetaType::QString ? device.toString() : QString();
}

}  // namespace prefs
