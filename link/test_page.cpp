#include "test_page.h"

#include <array>
#include <optional>

#include "code_pages.h"
#include "printer.h"

namespace printer {

namespace {

constexpr std::uint8_t kLineFeed = 0x0A;
constexpr int kChartStart = 0x20;
constexpr int kChartRow = 16;
constexpr int kFeedLines = 4;
constexpr std::uint8_t kCut = 0x56;        // GS V m n
constexpr std::uint8_t kFeedThenCut = 66;  // m: feed to the cutter and n lines more, then cut

using Bytes = std::vector<std::uint8_t>;

Bytes Reset() {
  const Initialize initialize = EncodeInitialize();
  return {initialize.begin(), initialize.end()};
}

Bytes SelectCodePage(int codePage) { return {ESC, 0x74, ParameterByte(codePage)}; }

// Blank lines below the last, then the cut; a printer without a cutter ignores the cut.
Bytes FeedAndCut() {
  Bytes bytes(kFeedLines, kLineFeed);
  for (const std::uint8_t byte : {GS, kCut, kFeedThenCut, std::uint8_t{0}}) {
    bytes.push_back(byte);
  }
  return bytes;
}

Bytes Line(std::string_view text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(kLineFeed);
  return bytes;
}

// Text the code page cannot carry goes as it is; the labels are ASCII anyway.
Bytes TextLine(int codePage, std::string_view utf8) {
  return Line(EncodeText(codePage, utf8).value_or(std::string(utf8)));
}

Bytes ChartRow(int first) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  Bytes bytes = {static_cast<std::uint8_t>(kDigits[first >> 4]), 'x', ':', ' '};
  for (int byte = first; byte < first + kChartRow; ++byte) {
    bytes.push_back(static_cast<std::uint8_t>(byte));
  }
  bytes.push_back(kLineFeed);
  return bytes;
}

template <std::size_t N>
std::string Entry(const std::array<const char*, N>& entries, int index) {
  return index >= 0 && index < static_cast<int>(N) ? entries[static_cast<std::size_t>(index)] : "";
}

}  // namespace

TestPageLabels LabelsOf(const PrinterSettings& settings, int family) {
  return {Entry(kIntensityLabels, settings.intensity), Entry(SpeedEntries(family), settings.speed),
          Entry(kCountryLabels, settings.country), Entry(kCodePageLabels, settings.codePage)};
}

std::string_view TestPageSample(int language) {
  return language == 0 ? "Български текст: АБВГДЕЖЗИЙ абвгдежзий"
                       : "The quick brown fox jumps over the lazy dog";
}

SettingsSequence BuildTestPage(std::string_view modelName, const PrinterSettings& settings,
                               const TestPageLabels& labels, int language) {
  const int codePage = settings.codePage;
  std::vector<Bytes> writes = {
      Reset(),
      TextLine(codePage, kTestPageTitle),
      TextLine(codePage, "Model: " + std::string(modelName)),
      TextLine(codePage, "Intensity: " + labels.intensity),
      TextLine(codePage, "Speed: " + labels.speed),
      TextLine(codePage, "Country: " + labels.country),
      TextLine(codePage, "Code page: " + labels.codePage),
      SelectCodePage(codePage),
  };
  for (int row = kChartStart; row <= 0xFF; row += kChartRow) writes.push_back(ChartRow(row));
  if (const std::optional<std::string> sample = EncodeText(codePage, TestPageSample(language))) {
    writes.push_back(Line(*sample));
  }
  writes.push_back(FeedAndCut());
  writes.push_back(Reset());

  SettingsSequence steps;
  const int count = static_cast<int>(writes.size());
  for (int i = 0; i < count; ++i) {
    steps.push_back({std::move(writes[i]), 0, i == 0 ? count : SequenceStep::kKeep, i + 1});
  }
  // A stopped page still resets the printer: its code page and the lines in its buffer go.
  steps.back().always = true;
  return steps;
}

}  // namespace printer
