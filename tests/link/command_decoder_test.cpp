#include "command_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printer.h"

namespace {

using printer::CommandDecoder;
using printer::CommandKind;
using printer::DecodedCommand;
using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
void Append(Bytes& bytes, const std::array<std::uint8_t, N>& command) {
  bytes.insert(bytes.end(), command.begin(), command.end());
}

// Everything a family-1 printer receives when its settings are sent.
Bytes FullSettingsSequence() {
  Bytes bytes;
  Append(bytes, printer::EncodeIdentify());
  Append(bytes, printer::EncodeSettingsBlock(3, 1, 2, 15));
  Append(bytes, printer::EncodeSettingsEnd());
  const int values[] = {1, 1, 0, 1, 0, 0, 1, 1};
  for (int k = 1; k <= 8; ++k) Append(bytes, printer::EncodeDipSwitch(k, values[k - 1]));
  Append(bytes, printer::EncodeClosing());
  return bytes;
}

const std::vector<std::string> kFullSettingsLines = {
    "identify",
    "intensity 100 %",
    "speed 1",
    "country Germany",
    "code page Windows Cyrilic (CP1251)",
    "settings end",
    "DIP switch 1 = 1",
    "DIP switch 2 = 1",
    "DIP switch 3 = 0",
    "DIP switch 4 = 1",
    "DIP switch 5 = 0",
    "DIP switch 6 = 0",
    "DIP switch 7 = 1",
    "DIP switch 8 = 1",
    "closing",
};

std::vector<std::string> Lines(const std::vector<DecodedCommand>& commands) {
  std::vector<std::string> lines;
  lines.reserve(commands.size());
  for (const DecodedCommand& command : commands) lines.push_back(command.Describe());
  return lines;
}

Bytes Concatenated(const std::vector<DecodedCommand>& commands) {
  Bytes bytes;
  for (const DecodedCommand& command : commands) {
    bytes.insert(bytes.end(), command.bytes.begin(), command.bytes.end());
  }
  return bytes;
}

std::vector<DecodedCommand> DecodeAll(const Bytes& bytes) {
  return CommandDecoder().Feed(bytes, 0);
}

TEST(CommandDecoder, FullSettingsSequenceSplitAtEveryPoint) {
  const Bytes stream = FullSettingsSequence();
  for (std::size_t split = 0; split <= stream.size(); ++split) {
    SCOPED_TRACE("split at " + std::to_string(split));
    CommandDecoder decoder;
    auto commands = decoder.Feed(std::span(stream).first(split), 10);
    const std::size_t completedFirst = commands.size();
    const auto rest = decoder.Feed(std::span(stream).subspan(split), 20);
    commands.insert(commands.end(), rest.begin(), rest.end());
    ASSERT_EQ(Lines(commands), kFullSettingsLines);
    EXPECT_EQ(Concatenated(commands), stream);
    EXPECT_EQ(commands[11].parameter, 6);
    EXPECT_EQ(commands[11].value, 0);
    // Each command carries the stamp of the piece that completed it.
    for (std::size_t i = 0; i < commands.size(); ++i) {
      EXPECT_EQ(commands[i].millis, i < completedFirst ? 10 : 20);
    }
  }
}

TEST(CommandDecoder, FullSettingsSequenceByteByByte) {
  const Bytes stream = FullSettingsSequence();
  CommandDecoder decoder;
  std::vector<DecodedCommand> commands;
  for (std::size_t i = 0; i < stream.size(); ++i) {
    const auto completed = decoder.Feed(std::span(stream).subspan(i, 1), static_cast<int>(i));
    ASSERT_LE(completed.size(), 1u);
    commands.insert(commands.end(), completed.begin(), completed.end());
  }
  EXPECT_EQ(Lines(commands), kFullSettingsLines);
  EXPECT_EQ(commands.front().millis, 1);
  EXPECT_EQ(commands.back().millis, static_cast<int>(stream.size()) - 1);
}

TEST(CommandDecoder, IncompleteCommandWaitsForItsBytes) {
  CommandDecoder decoder;
  EXPECT_TRUE(decoder.Feed(Bytes{0x1D, 0x29, 0x04}, 0).empty());
  EXPECT_TRUE(decoder.Feed(Bytes{}, 0).empty());
  EXPECT_EQ(Bytes(decoder.Pending().begin(), decoder.Pending().end()), (Bytes{0x1D, 0x29, 0x04}));
  const auto commands = decoder.Feed(Bytes{0x01, 0x1B}, 0);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].Describe(), "DIP switch 4 = 1");
  EXPECT_EQ(Bytes(decoder.Pending().begin(), decoder.Pending().end()), Bytes{0x1B});
  EXPECT_EQ(Lines(decoder.Feed(Bytes{0x5A}, 0)), (std::vector<std::string>{"identify"}));
  EXPECT_TRUE(decoder.Pending().empty());
}

TEST(CommandDecoder, ControlBytesThatStartNoCommandAreUnknownOneByOne) {
  const auto commands =
      DecodeAll(Bytes{0x1B, 0x1B, 0x5A, 0x1B, 0x00, 0x1D, 0x28, 0x0D, 0x1D, 0x56, 0x02});
  EXPECT_EQ(Lines(commands),
            (std::vector<std::string>{"unknown 0x1B", "identify", "unknown 0x1B", "unknown 0x00",
                                      "unknown 0x1D", R"(text "(")", "unknown 0x0D", "unknown 0x1D",
                                      R"(text "V")", "unknown 0x02"}));
}

TEST(CommandDecoder, ParameterBytesAreNeverReadAsCommands) {
  // The parameter of ESC Y here is ESC itself; the Z after it stands alone.
  const auto commands = DecodeAll(Bytes{0x1B, 0x59, 0x1B, 0x5A});
  EXPECT_EQ(Lines(commands), (std::vector<std::string>{"intensity index 27", R"(text "Z")"}));
}

TEST(CommandDecoder, TextEndsWithItsLineAndAtCommands) {
  CommandDecoder decoder;
  const Bytes stream = {'A', 'B',  '\n', 'C',  0x1B, 0x40, '"',  '\\', 0xC1, 0x7F, '\n', '\n',
                        'D', 0x1D, 0x56, 0x30, 0x1D, 0x56, 0x41, 0x05, 0x1D, 0x56, 0x42};
  auto commands = decoder.Feed(stream, 0);
  EXPECT_EQ(Lines(commands),
            (std::vector<std::string>{R"(text "AB\n")", R"(text "C")", "initialize",
                                      R"(text "\"\\\xC1\x7F\n")", R"(text "\n")", R"(text "D")",
                                      "cut", "feed 5 and cut"}));
  // GS V 66 waits for the feed that goes with it.
  EXPECT_EQ(Bytes(decoder.Pending().begin(), decoder.Pending().end()), (Bytes{0x1D, 0x56, 0x42}));
  commands = decoder.Feed(Bytes{0x00, 'E'}, 0);
  ASSERT_EQ(Lines(commands), (std::vector<std::string>{"feed 0 and cut", R"(text "E")"}));
  EXPECT_EQ(commands[0].kind, CommandKind::Cut);
  EXPECT_EQ(commands[0].parameter, 66);
}

TEST(CommandDecoder, DescribesListEntriesAndValuesOutsideTheListsByIndex) {
  const auto commands = DecodeAll(Bytes{0x1B, 0x59, 0x05, 0x1B, 0x52, 0x0A, 0x1B, 0x74, 0x13, 0x1B,
                                        0x59, 0xFF, 0x1B, 0x52, 0xFF, 0x1B, 0x74, 0x14, 0x1B, 0x58,
                                        0xFF, 0x1B, 0x3E, 0x01, 0x1D, 0x29, 0x04, 0xFF});
  EXPECT_EQ(Lines(commands),
            (std::vector<std::string>{"intensity 150 %", "country Denmark II",
                                      "code page Windows Baltic (CP1257)", "intensity index 255",
                                      "country index 255", "code page index 20", "speed 255",
                                      "settings end 1", "DIP switch 4 = 255"}));
}

TEST(CommandDecoder, NamesTheSpeedByTheFamilysLabelWhereItKnowsTheFamily) {
  const Bytes speeds = {0x1B, 0x58, 0x00, 0x1B, 0x58, 0x01, 0x1B, 0x58, 0x03, 0x1B, 0x58, 0x04};
  EXPECT_EQ(Lines(CommandDecoder(0).Feed(speeds, 0)),
            (std::vector<std::string>{"speed 50 mm/s", "speed 42 mm/s", "speed 25 mm/s",
                                      "speed index 4"}));
  EXPECT_EQ(Lines(CommandDecoder(printer::kDipFamily).Feed(speeds, 0)),
            (std::vector<std::string>{"speed 100 mm/s", "speed 83 mm/s", "speed 50 mm/s",
                                      "speed index 4"}));
  EXPECT_EQ(Lines(CommandDecoder(printer::kNoFamily).Feed(speeds, 0)),
            (std::vector<std::string>{"speed 0", "speed 1", "speed 3", "speed 4"}));
}

}  // namespace
