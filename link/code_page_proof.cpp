#include "code_page_proof.h"

#include <string>
#include <vector>

#include "code_pages.h"
#include "print_lines.h"
#include "printer.h"

namespace printer {

namespace {

constexpr int kUpperHalfStart = 0x80;
constexpr int kChartRow = 16;

}  // namespace

SettingsSequence BuildCodePageProof(std::string_view utf8Text) {
  std::vector<PrintWrite> writes = {ResetWrite()};
  const int count = static_cast<int>(kCodePageLabels.size());
  for (int page = 0; page < count; ++page) {
    writes.push_back(
        LineWrite(std::to_string(page) + ": " + kCodePageLabels[static_cast<std::size_t>(page)]));
    writes.push_back(SelectCodePageWrite(page));
    if (KnowsCodePage(page)) {
      writes.push_back(TextLineWrite(page, utf8Text));
    } else {
      for (int row = kUpperHalfStart; row <= 0xFF; row += kChartRow) {
        writes.push_back(ChartRowWrite(row));
      }
    }
  }
  writes.push_back(FeedAndCutWrite());
  writes.push_back(ResetWrite());
  return PrintSteps(std::move(writes));
}

}  // namespace printer
