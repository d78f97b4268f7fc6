#pragma once

#include <array>
#include <string>
#include <vector>

#include "interface_language.h"
#include "settings_sequence.h"

// The settings as the window's lists show them, with the captions before the lists, in an
// interface language; the window's lists and captions take their texts from here.
namespace printer {

// The entries of the window's two-entry DIP lists.
struct DipEntries {
  std::array<const char*, 2> autoCutter;
  std::array<const char*, 2> paper;
  std::array<const char*, 2> commandSet;
  std::array<const char*, 2> esct;
};

const DipEntries& DipEntriesFor(InterfaceLanguage language);

// The captions before the window's ten settings lists.
struct SettingCaptions {
  const char* intensity;
  const char* speed;
  const char* country;
  const char* codePage;
  const char* newBaud;
  const char* autoCutter;
  const char* paper;
  const char* protocol;
  const char* commandSet;
  const char* esct;
};

const SettingCaptions& SettingCaptionsFor(InterfaceLanguage language);

struct SettingLine {
  std::string caption;  // "Printing Intensity:"
  std::string entry;    // "100 %"; "" for an index outside its list
};

// The settings a send to a printer of the family carries, in the window's order: intensity,
// speed, country and code page; for the DIP family also the new rate, the auto-cutter, the
// paper, the protocol, the command set and ESC t.
std::vector<SettingLine> SettingLines(const PrinterSettings& settings, int family,
                                      InterfaceLanguage language);

}  // namespace printer
