#include "printer_values.h"

#include <tuple>

#include "printer.h"
#include "stored_names.h"

namespace prefs {
namespace {

using printer::PrinterSettings;

// The auto-cutter, paper, command-set and ESC t lists: off and on.
constexpr int kSwitchPositions = 2;

template <class Labels>
constexpr int EntriesOf(const Labels& /*labels*/) {
  return static_cast<int>(std::tuple_size_v<Labels>);
}

}  // namespace

const std::array<PrinterValue, 10> kPrinterValues{{
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

}  // namespace prefs
