#include "printer.h"

#include <algorithm>

namespace printer {

namespace {

struct Model {
  std::string_view name;
  int family;
};

// The last entry is 22 characters long; only its first 21 can ever arrive in a reply.
constexpr std::array<Model, 6> kModelTable = {{
    {"Tavrin MR71C Printer", 0},
    {"QAV MR71C Printer", 0},
    {"JOX MR71C Printer", 0},
    {"Tavrin MR460V Printer", 1},
    {"Tavrin MR2200T", 2},
    {"Tavrin MR2200K Printer", 2},
}};

constexpr std::array<std::array<const char*, 4>, 3> kSpeedLabels = {{
    {"50 mm/s", "42 mm/s", "33 mm/s", "25 mm/s"},
    {"100 mm/s", "83  mm/s", "66  mm/s", "50  mm/s"},
    {"100 mm/s", "83  mm/s", "66  mm/s", "50  mm/s"},
}};

constexpr std::array<std::uint32_t, 8> kBaudRates = {1200,  2400,  4800,  9600,
                                                     19200, 38400, 57600, 115200};

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

const std::array<const char*, 8> kBaudLabels = {"1200 bps",  "2400 bps",  "4800 bps",
                                                "9600 bps",  "19200 bps", "38400 bps",
                                                "57600 bps", "115200 bps"};
const std::array<const char*, 6> kIntensityLabels = {"70 %",  "80 %",  "90 %",
                                                     "100 %", "120 %", "150 %"};
const std::array<const char*, 4> kUnconnectedSpeedLabels = {"100 (50) mm/s", "83 (42) mm/s",
                                                            "66 (33) mm/s", "50 (25) mm/s"};
const std::array<const char*, 11> kCountryLabels = {"USA",       "France", "Germany",   "U.K.",
                                                    "Denmark I", "Sweden", "Italy",     "Spain I",
                                                    "Japan",     "Norway", "Denmark II"};
const std::array<const char*, 20> kCodePageLabels = {
    "USA (CP437)",
    "Litva",
    "West Europe Latin I (CP850)",
    "Brasil (CP860)",
    "Poland",
    "Bulgarian (CP856)",
    "Central Europe Latin II (CP852)",
    "Russian (CP866)",
    "Turkish (CP587)",
    "Windows English Latin I (CP1252)",
    "Baltic (CP775)",
    "Latvia",
    "Greek (CP737)",
    "Hebrew (CP862)",
    "Windows Central European Latin II (CP1250)",
    "Windows Cyrilic (CP1251)",
    "Windows Greek (CP1253)",
    "Windows Turkish (CP1254)",
    "Windows Hebrew (CP1255)",
    "Windows Baltic (CP1257)",
};
const std::array<const char*, 2> kProtocolLabels = {"Hardware", "XON/XOFF"};

std::uint8_t ParameterByte(int index) { return static_cast<std::uint8_t>(index & 0xFF); }

Identify EncodeIdentify() { return {ESC, 0x5A}; }

SettingsBlock EncodeSettingsBlock(int intensity, int speed, int country, int codePage) {
  return {ESC, 0x59, ParameterByte(intensity), ESC, 0x58, ParameterByte(speed),
          ESC, 0x52, ParameterByte(country),   ESC, 0x74, ParameterByte(codePage)};
}

SettingsEnd EncodeSettingsEnd() { return {ESC, 0x3E, 0x00}; }

DipSwitch EncodeDipSwitch(int switchNumber, int value) {
  return {GS, 0x29, ParameterByte(switchNumber), ParameterByte(value)};
}

Closing EncodeClosing() { return {ESC, 0x54}; }

Initialize EncodeInitialize() { return {ESC, 0x40}; }

std::string ModelNameFromReply(std::span<const std::uint8_t> reply) {
  const auto field = reply.first(std::min<std::size_t>(reply.size(), kModelNameLength));
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  std::string name(field.begin(), end);
  const auto first = std::find_if_not(name.begin(), name.end(), IsBlankOrControl);
  const auto last = std::find_if_not(name.rbegin(), name.rend(), IsBlankOrControl).base();
  return first < last ? std::string(first, last) : std::string();
}

int Classify(std::string_view modelName) {
  for (const Model& model : kModelTable) {
    if (modelName == model.name.substr(0, kModelNameLength)) return model.family;
  }
  return kNoFamily;
}

const std::array<const char*, 4>& SpeedEntries(int family) {
  if (family < 0 || family >= static_cast<int>(kSpeedLabels.size())) {
    return kUnconnectedSpeedLabels;
  }
  return kSpeedLabels[family];
}

std::uint32_t BaudRateOf(int index) {
  if (index < 0 || index >= static_cast<int>(kBaudRates.size())) return 0;
  return kBaudRates[index];
}

std::array<int, 3> DipBaudBits(int newBaudIndex) {
  if (newBaudIndex < 0 || newBaudIndex >= static_cast<int>(kBaudRates.size())) return {0, 0, 0};
  return {newBaudIndex & 1, (newBaudIndex >> 1) & 1, (newBaudIndex >> 2) & 1};
}

}  // namespace printer
