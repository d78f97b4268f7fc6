#include "command_decoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace printer {

namespace {

struct Shape {
  std::uint8_t lead;
  std::uint8_t second;
  CommandKind kind;
  std::size_t length;
};

constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kCut = 0x56;

constexpr std::array<Shape, 9> kShapes = {{
    {ESC, 0x5A, CommandKind::Identify, 2},
    {ESC, 0x59, CommandKind::Intensity, 3},
    {ESC, 0x58, CommandKind::Speed, 3},
    {ESC, 0x52, CommandKind::Country, 3},
    {ESC, 0x74, CommandKind::CodePage, 3},
    {ESC, 0x3E, CommandKind::SettingsEnd, 3},
    {GS, 0x29, CommandKind::DipSwitch, 4},
    {ESC, 0x54, CommandKind::Closing, 2},
    {ESC, 0x40, CommandKind::Initialize, 2},
}};

DecodedCommand Make(CommandKind kind, std::span<const std::uint8_t> bytes) {
  DecodedCommand command;
  command.kind = kind;
  command.bytes.assign(bytes.begin(), bytes.end());
  if (bytes.size() > 2) command.parameter = bytes[2];
  if (bytes.size() > 3) command.value = bytes[3];
  return command;
}

bool IsText(std::uint8_t byte) { return byte >= 0x20 || byte == kLineFeed; }

// The text at the front of the stream, up to and with the line feed that ends its line.
DecodedCommand TextRun(std::span<const std::uint8_t> stream) {
  std::size_t length = 0;
  while (length < stream.size() && IsText(stream[length])) {
    if (stream[length++] == kLineFeed) break;
  }
  DecodedCommand text;
  text.kind = CommandKind::Text;
  text.bytes.assign(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(length));
  return text;
}

// GS V m cuts; m = 65 and 66 take one more byte, the feed before the cut.
std::optional<std::size_t> CutLength(std::uint8_t mode) {
  switch (mode) {
    case 0:
    case 1:
    case 48:
    case 49:
      return 3;
    case 65:
    case 66:
      return 4;
    default:
      return std::nullopt;
  }
}

// The command at the front of the stream; nothing while too few bytes have arrived to tell.
std::optional<DecodedCommand> DecodeFront(std::span<const std::uint8_t> stream) {
  const std::uint8_t lead = stream[0];
  if (IsText(lead)) return TextRun(stream);
  if (lead != ESC && lead != GS) return Make(CommandKind::Unknown, stream.first(1));
  if (stream.size() < 2) return std::nullopt;
  if (lead == GS && stream[1] == kCut) {
    if (stream.size() < 3) return std::nullopt;
    const std::optional<std::size_t> length = CutLength(stream[2]);
    if (!length) return Make(CommandKind::Unknown, stream.first(1));
    if (stream.size() < *length) return std::nullopt;
    return Make(CommandKind::Cut, stream.first(*length));
  }
  for (const Shape& shape : kShapes) {
    if (shape.lead != lead || shape.second != stream[1]) continue;
    if (stream.size() < shape.length) return std::nullopt;
    return Make(shape.kind, stream.first(shape.length));
  }
  return Make(CommandKind::Unknown, stream.first(1));
}

// Text as a quoted string: a line feed as \n, bytes outside printable ASCII as \xHH.
std::string Quoted(std::span<const std::uint8_t> bytes) {
  std::string quoted = "\"";
  for (const std::uint8_t byte : bytes) {
    if (byte == kLineFeed) {
      quoted += "\\n";
    } else if (byte == '"' || byte == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(byte);
    } else if (byte >= 0x20 && byte < 0x7F) {
      quoted += static_cast<char>(byte);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      quoted += escaped;
    }
  }
  return quoted + "\"";
}

template <std::size_t N>
std::string Label(const std::array<const char*, N>& labels, int index) {
  if (index >= 0 && index < static_cast<int>(N)) return labels[index];
  return "index " + std::to_string(index);
}

// The speed entries set "83  mm/s" with two blanks to line up in a list; a sentence takes one.
std::string CollapseBlanks(std::string text) {
  const auto end = std::unique(text.begin(), text.end(),
                               [](char left, char right) { return left == ' ' && right == ' '; });
  text.erase(end, text.end());
  return text;
}

}  // namespace

std::string DecodedCommand::Describe() const {
  switch (kind) {
    case CommandKind::Identify:
      return "identify";
    case CommandKind::Intensity:
      return "intensity " + Label(kIntensityLabels, parameter);
    case CommandKind::Speed: {
      const auto& entries = SpeedEntries(family);
      // An unknown family gets the entries shown before a connection, which name no one speed.
      if (&entries == &kUnconnectedSpeedLabels) return "speed " + std::to_string(parameter);
      return "speed " + CollapseBlanks(Label(entries, parameter));
    }
    case CommandKind::Country:
      return "country " + Label(kCountryLabels, parameter);
    case CommandKind::CodePage:
      return "code page " + Label(kCodePageLabels, parameter);
    case CommandKind::SettingsEnd:
      return parameter == 0 ? "settings end" : "settings end " + std::to_string(parameter);
    case CommandKind::DipSwitch:
      return "DIP switch " + std::to_string(parameter) + " = " + std::to_string(value);
    case CommandKind::Closing:
      return "closing";
    case CommandKind::Initialize:
      return "initialize";
    case CommandKind::Cut:
      return bytes.size() > 3 ? "feed " + std::to_string(value) + " and cut" : "cut";
    case CommandKind::Text:
      return "text " + Quoted(bytes);
    case CommandKind::Unknown:
      break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "unknown 0x%02X", bytes.empty() ? 0 : bytes[0]);
  return text;
}

std::vector<DecodedCommand> CommandDecoder::Feed(std::span<const std::uint8_t> bytes,
                                                 std::int64_t millis) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::vector<DecodedCommand> commands;
  std::size_t used = 0;
  while (used < pending_.size()) {
    auto command = DecodeFront(std::span<const std::uint8_t>(pending_).subspan(used));
    if (!command) break;
    command->millis = millis;
    command->family = family_;
    used += command->bytes.size();
    commands.push_back(std::move(*command));
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
  return commands;
}

}  // namespace printer
