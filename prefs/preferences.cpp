#include "preferences.h"

#include <QFile>
#include <QSettings>
#include <QVariant>

#include <array>
#include <cstddef>
#include <utility>

#include "printer_values.h"
#include "store.h"
#include "stored_integer.h"
#include "stored_names.h"

namespace prefs {
namespace {

// The numbers stored ahead of the printer settings, in this order; the defaults are those of
// StoredChoices.
constexpr std::array<std::pair<const char*, int StoredChoices::*>, 3> kLeadingValues{{
    {names::kLanguage, &StoredChoices::language},
    {names::kPort, &StoredChoices::port},
    {names::kBaud, &StoredChoices::baud},
}};

constexpr std::size_t kStoredNumbers = kLeadingValues.size() + 10;

// Each stored number by its name, in the order they are read and written.
template <class Choices, class Visit>
void ForEachStoredNumber(Choices& choices, const Visit& visit) {
  for (const auto& [name, field] : kLeadingValues) visit(name, choices.*field);
  for (const PrinterValue& value : PrinterValues()) visit(value.name, choices.printer.*value.field);
}

// Text, stored only while a detected device is the choice.
constexpr auto kPortDevice = "PortDevice";
// 1 when the window prints an installation slip after every completed Set; 0 by default.
constexpr auto kPrintSlip = "PrintSlip";

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
  ForEachStoredNumber(result.choices, [&store](const char* name, int& field) {
    if (const auto number = ReadInteger(store, name)) field = *number;
  });
  if (result.choices.port < kLowestPort || result.choices.port > kHighestPort) {
    result.choices.port = StoredChoices{}.port;
  }
  if (const auto printSlip = ReadInteger(store, kPrintSlip)) {
    result.choices.printSlip = *printSlip == 1;
  }
  const QVariant device = store.value(kPortDevice);
  if (device.typeId() == QMetaType::QString) result.choices.portDevice = device.toString();
  // The status is known only after the values have been parsed.
  if (store.status() != QSettings::NoError) result.status = LoadStatus::Failed;
  return result;
}

bool Save(const StoredChoices& choices) {
  std::array<NamedValue, kStoredNumbers + 2> values;
  std::size_t next = 0;
  ForEachStoredNumber(choices, [&](const char* name, int field) {
    values[next++] = NamedValue{name, field};
  });
  // Stored only while on, so that a file of a run that never used it is left as it was.
  values[next++] = NamedValue{kPrintSlip, choices.printSlip ? QVariant(1) : QVariant()};
  // A COM entry chosen last leaves no device to come back to.
  values.back() = {kPortDevice, choices.portDevice.isEmpty() ? QVariant() : choices.portDevice};
  // The rest of the file (network ports another window added) is read and written back.
  const StoreLock lock;
  return lock.Held() && WriteValues(values);
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
