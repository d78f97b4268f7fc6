#include "paper.h"

#include <algorithm>

#include "code_pages.h"

namespace vprinter {

namespace {

constexpr std::uint8_t kLineFeed = 0x0A;

}  // namespace

std::vector<std::string> Paper::Print(const DecodedCommand& command) {
  switch (command.kind) {
    case CommandKind::Text:
      return PrintText(command.bytes);
    case CommandKind::CodePage:
      codePage_ = command.parameter;
      return {};
    case CommandKind::Initialize:
      codePage_ = 0;
      line_.clear();
      return {};
    case CommandKind::Cut: {
      std::vector<std::string> lines;
      if (!line_.empty()) lines.push_back(std::move(line_));
      line_.clear();
      lines.emplace_back(kCutLine);
      return lines;
    }
    default:
      return {};
  }
}

std::vector<std::string> Paper::PrintText(std::span<const std::uint8_t> bytes) {
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    const auto end = std::find(bytes.begin(), bytes.end(), kLineFeed);
    line_ += printer::DecodeText(codePage_, std::span(bytes.begin(), end));
    if (end == bytes.end()) break;
    lines.push_back(std::move(line_));
    line_.clear();
    bytes = std::span(end + 1, bytes.end());
  }
  return lines;
}

}  // namespace vprinter
