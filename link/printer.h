#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The printer's command set, its identification reply, the model table and the value tables
// that give each parameter byte its meaning.
namespace printer {

inline constexpr std::uint8_t ESC = 0x1B;
inline constexpr std::uint8_t GS = 0x1D;

inline constexpr int kIdentifyReplyLength = 32;
inline constexpr int kModelNameLength = 21;
inline constexpr std::uint32_t kTimeoutMs = 1000;
inline constexpr int kNoFamily = -1;
inline constexpr int kDipFamily = 1;
inline constexpr int kDipSwitchCount = 8;

using Identify = std::array<std::uint8_t, 2>;
using SettingsBlock = std::array<std::uint8_t, 12>;
using SettingsEnd = std::array<std::uint8_t, 3>;
using DipSwitch = std::array<std::uint8_t, 4>;
using Closing = std::array<std::uint8_t, 2>;
using Initialize = std::array<std::uint8_t, 2>;

// A list index as the printer receives it: its low byte, so "nothing selected" (-1) is 0xFF.
std::uint8_t ParameterByte(int index);

Identify EncodeIdentify();
SettingsBlock EncodeSettingsBlock(int intensity, int speed, int country, int codePage);
SettingsEnd EncodeSettingsEnd();
DipSwitch EncodeDipSwitch(int switchNumber, int value);
Closing EncodeClosing();
// ESC @: the printer empties its print buffer and takes its power-on modes.
Initialize EncodeInitialize();

// The model name carried by an identification reply: the first 21 bytes, up to the first 0
// byte, without leading and trailing bytes of 0x20 or less.
std::string ModelNameFromReply(std::span<const std::uint8_t> reply);
// The family of a model name: 0, 1 (with DIP switches), 2, or kNoFamily. The name is compared
// whole and case-sensitive with the first 21 characters of each known model name.
int Classify(std::string_view modelName);

// Entries of the printing-speed list for a family 0..2; for any other family the entries the
// list shows before a connection.
const std::array<const char*, 4>& SpeedEntries(int family);
// Rate of a baud-list index 0..7; 0 for any other index.
std::uint32_t BaudRateOf(int index);
// Values of DIP switches 1..3 for a new-baud index 0..7: its bits 0, 1 and 2; all 0 for any
// other index.
std::array<int, 3> DipBaudBits(int newBaudIndex);

// Entry texts of the lists whose entries are the same in every language.
extern const std::array<const char*, 8> kBaudLabels;
extern const std::array<const char*, 6> kIntensityLabels;
extern const std::array<const char*, 4> kUnconnectedSpeedLabels;
extern const std::array<const char*, 11> kCountryLabels;
extern const std::array<const char*, 20> kCodePageLabels;
extern const std::array<const char*, 2> kProtocolLabels;

}  // namespace printer
