#include "print_lines.h"

#include "code_pages.h"
#include "printer.h"

namespace printer {

namespace {

constexpr std::uint8_t kLineFeed = 0x0A;
constexpr int kChartRow = 16;
constexpr int kFeedLines = 4;
constexpr std::uint8_t kCut = 0x56;        // GS V m n
constexpr std::uint8_t kFeedThenCut = 66;  // m: feed to the cutter and n lines more, then cut

}  // namespace

PrintWrite ResetWrite() {
  const Initialize initialize = EncodeInitialize();
  return {{initialize.begin(), initialize.end()}, "reset"};
}

PrintWrite SelectCodePageWrite(int codePage) {
  return {{ESC, 0x74, ParameterByte(codePage)}, "code page"};
}

PrintWrite FeedAndCutWrite() {
  PrintBytes bytes(kFeedLines, kLineFeed);
  for (const std::uint8_t byte : {GS, kCut, kFeedThenCut, std::uint8_t{0}}) {
    bytes.push_back(byte);
  }
  return {bytes, "feed and cut"};
}

PrintWrite LineWrite(std::string_view bytes) {
  PrintBytes line(bytes.begin(), bytes.end());
  line.push_back(kLineFeed);
  return {line, "text line"};
}

PrintWrite TextLineWrite(int codePage, std::string_view utf8) {
  return LineWrite(EncodeTextReplacing(codePage, utf8));
}

PrintWrite ChartRowWrite(int first) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  PrintBytes bytes = {static_cast<std::uint8_t>(kDigits[first >> 4 & 0xF]), 'x', ':', ' '};
  for (int byte = first; byte < first + kChartRow; ++byte) {
    bytes.push_back(static_cast<std::uint8_t>(byte));
  }
  bytes.push_back(kLineFeed);
  return {bytes, "chart row"};
}

SettingsSequence PrintSteps(std::vector<PrintWrite> writes) {
  SettingsSequence steps;
  const int count = static_cast<int>(writes.size());
  for (int i = 0; i < count; ++i) {
    PrintWrite& write = writes[static_cast<std::size_t>(i)];
    steps.push_back(
        {std::move(write.bytes), 0, i == 0 ? count : SequenceStep::kKeep, i + 1, write.what});
  }
  // A stopped page still resets the printer: its code page and the lines in its buffer go.
  if (!steps.empty()) steps.back().always = true;
  return steps;
}

}  // namespace printer
