#include "printer_values.h"

#include <tuple>
#include <type_traits>

#include "printer.h"
#include "stored_names.h"

namespace prefs {
namespace {

using printer::PrinterSettings;

// The auto-cutter, paper, command-set and ESC t lists: off and on.
constexpr int kSwitchPositions = 2;

// The size of a list of labels, from its type alone.
template <class Labels>
constexpr int kEntries = static_cast<int>(std::tuple_size_v<std::remove_cvref_t<Labels>>);

}  // namespace

const std::array<PrinterValue, 10>& PrinterValues() {
  static const std::array<PrinterValue, 10> values{{
      {names::kIntensity, &PrinterSettings::intensity,
       kEntries<decltype(printer::kIntensityLabels)>, false},
      // Every family's speed list has as many entries as the one shown before a connection.
      {names::kSpeed, &PrinterSettings::speed, kEntries<decltype(printer::kUnconnectedSpeedLabels)>,
       false},
      {names::kCountry, &PrinterSettings::country, kEntries<decltype(printer::kCountryLabels)>,
       false},
      {names::kCodePage, &PrinterSettings::codePage, kEntries<decltype(printer::kCodePageLabels)>,
       false},
      {names::kNewBaud, &PrinterSettings::newBaud, kEntries<decltype(printer::kBaudLabels)>, true},
      {names::kAutoCutter, &PrinterSettings::autoCutter, kSwitchPositions, true},
      {names::kPaper, &PrinterSettings::paper, kSwitchPositions, true},
      {names::kProtocol, &PrinterSettings::protocol, kEntries<decltype(printer::kProtocolLabels)>,
       true},
      {names::kCommandSet, &PrinterSettings::commandSet, kSwitchPositions, true},
      {names::kEsct, &PrinterSettings::esct, kSwitchPositions, true},
  }};
  return values;
}

bool SentToFamily(const PrinterValue& value, int family) {
  return !value.dipSwitch || family == printer::kDipFamily;
}

}  // namespace prefs
