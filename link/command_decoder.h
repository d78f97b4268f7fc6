#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "printer.h"

// Turns the byte stream a printer receives into its commands, wherever the stream was split.
namespace printer {

enum class CommandKind {
  Identify,
  Intensity,
  Speed,
  Country,
  CodePage,
  SettingsEnd,
  DipSwitch,
  Closing,
  Initialize,  // ESC @
  Cut,         // GS V m, or GS V m n with a feed before the cut
  Text,        // bytes the printer prints: from 0x20 up, and line feeds, which end a line
  Unknown,     // a byte that starts no known command
};

struct DecodedCommand {
  CommandKind kind = CommandKind::Unknown;
  std::vector<std::uint8_t> bytes;
  int parameter = 0;  // the n of ESC Y/X/R/t/> n, the switch number k of GS ) k v, the m of GS V
  int value = 0;      // the v of GS ) k v, the feed n of GS V m n
  std::int64_t millis = 0;  // arrival of the command's last byte, as stamped by the caller
  int family = kNoFamily;   // of the printer that received it: names the speed

  // One line in plain words: "identify", "intensity 100 %", "speed 83 mm/s", "DIP switch 6 = 0",
  // ...; the speed by its index where the family is not known.
  std::string Describe() const;
};

// Text comes in runs that end after a line feed, before any other byte, or with the bytes fed.
class CommandDecoder {
 public:
  explicit CommandDecoder(int family = kNoFamily) : family_(family) {}

  // Decodes what completes with these bytes; an incomplete command waits for the next call.
  std::vector<DecodedCommand> Feed(std::span<const std::uint8_t> bytes, std::int64_t millis);
  // The start of a command still waiting for its remaining bytes.
  std::span<const std::uint8_t> Pending() const { return pending_; }

 private:
  int family_;
  std::vector<std::uint8_t> pending_;
};

}  // namespace printer
