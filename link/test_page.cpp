#include "test_page.h"

#include <array>
#include <optional>

#include "code_pages.h"
#include "list_entry.h"
#include "print_lines.h"
#include "printer.h"

namespace printer {

namespace {

constexpr int kChartStart = 0x20;
constexpr int kChartRow = 16;

// Text the code page cannot carry goes as it is; the labels are ASCII anyway.
PrintWrite TextLine(int codePage, std::string_view utf8) {
  return LineWrite(EncodeText(codePage, utf8).value_or(std::string(utf8)));
}

}  // namespace

TestPageLabels LabelsOf(const PrinterSettings& settings, int family) {
  return {ListEntry(kIntensityLabels, settings.intensity),
          ListEntry(SpeedEntries(family), settings.speed),
          ListEntry(kCountryLabels, settings.country),
          ListEntry(kCodePageLabels, settings.codePage)};
}

std::string_view TestPageSample(InterfaceLanguage language) {
  return language == InterfaceLanguage::Bulgarian ? "Български текст: АБВГДЕЖЗИЙ абвгдежзий"
                                                  : "The quick brown fox jumps over the lazy dog";
}

SettingsSequence BuildTestPage(std::string_view modelName, const PrinterSettings& settings,
                               const TestPageLabels& labels, InterfaceLanguage language) {
  const int codePage = settings.codePage;
  std::vector<PrintWrite> writes = {
      ResetWrite(),
      TextLine(codePage, kTestPageTitle),
      TextLine(codePage, "Model: " + std::string(modelName)),
      TextLine(codePage, "Intensity: " + labels.intensity),
      TextLine(codePage, "Speed: " + labels.speed),
      TextLine(codePage, "Country: " + labels.country),
      TextLine(codePage, "Code page: " + labels.codePage),
      SelectCodePageWrite(codePage),
  };
  for (int row = kChartStart; row <= 0xFF; row += kChartRow) writes.push_back(ChartRowWrite(row));
  if (const std::optional<std::string> sample = EncodeText(codePage, TestPageSample(language))) {
    writes.push_back(LineWrite(*sample));
  }
  writes.push_back(FeedAndCutWrite());
  writes.push_back(ResetWrite());
  return PrintSteps(std::move(writes));
}

}  // namespace printer
