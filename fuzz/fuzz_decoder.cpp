// The command decoder (the virtual printer's and the dry run's) fed any bytes, split wherever the
// fuzzer chooses.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "command_decoder.h"
#include "printer.h"
#include "require.h"

namespace {

using printer::CommandKind;
using printer::DecodedCommand;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kLongestPiece = 16;
constexpr std::size_t kLongestCommand = 4;
constexpr std::uint8_t kLineFeed = 0x0A;

bool EndsLine(const DecodedCommand& command) {
  return command.kind == CommandKind::Text && command.bytes.back() == kLineFeed;
}

// A split may cut a line of text in pieces; put them together again.
std::vector<DecodedCommand> WholeLines(const std::vector<DecodedCommand>& commands) {
  std::vector<DecodedCommand> joined;
  for (const DecodedCommand& command : commands) {
    if (command.kind == CommandKind::Text && !joined.empty() &&
        joined.back().kind == CommandKind::Text && !EndsLine(joined.back())) {
      joined.back().bytes.insert(joined.back().bytes.end(), command.bytes.begin(),
                                 command.bytes.end());
    } else {
      joined.push_back(command);
    }
  }
  return joined;
}

bool SameCommands(const std::vector<DecodedCommand>& a, const std::vector<DecodedCommand>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const DecodedCommand& x, const DecodedCommand& y) {
                      return x.kind == y.kind && x.bytes == y.bytes && x.parameter == y.parameter &&
                             x.value == y.value;
                    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Piece lengths come from the end of the input, the bytes from its front.
  FuzzedDataProvider provider(data, size);
  printer::CommandDecoder decoder;
  Bytes fed;
  Bytes decoded;
  std::vector<DecodedCommand> commands;
  for (std::int64_t stamp = 0; provider.remaining_bytes() > 0; ++stamp) {
    const Bytes piece = provider.ConsumeBytes<std::uint8_t>(
        provider.ConsumeIntegralInRange<std::size_t>(0, kLongestPiece));
    fed.insert(fed.end(), piece.begin(), piece.end());
    for (DecodedCommand& command : decoder.Feed(piece, stamp)) {
      Require(!command.bytes.empty(), "a command has bytes");
      if (command.kind == CommandKind::Text) {
        Require(std::find(command.bytes.begin(), command.bytes.end() - 1, kLineFeed) ==
                    command.bytes.end() - 1,
                "a line feed ends the text it is in");
      } else {
        Require(command.bytes.size() <= kLongestCommand, "a command has at most 4 bytes");
      }
      Require(command.millis == stamp, "a command carries the stamp of the piece completing it");
      Require(!command.Describe().empty(), "every command has a description");
      decoded.insert(decoded.end(), command.bytes.begin(), command.bytes.end());
      commands.push_back(std::move(command));
    }
    const auto pending = decoder.Pending();
    Require(pending.size() < kLongestCommand, "less than one command waits");
    Require(pending.empty() || pending[0] == printer::ESC || pending[0] == printer::GS,
            "what waits starts with ESC or GS");
    Bytes whole = decoded;
    whole.insert(whole.end(), pending.begin(), pending.end());
    Require(whole == fed, "the commands and what waits are exactly the bytes fed");
  }
  Require(SameCommands(WholeLines(commands), WholeLines(printer::CommandDecoder().Feed(fed, 0))),
          "the split changes no command");
  return 0;
}
