#pragma once

#include <cstdint>
#include <string>

#include "interface_language.h"
#include "settings_sequence.h"

// The installation slip a printer prints after a completed send: what was set, where and when,
// and a line to sign.
namespace printer {

struct SlipFacts {
  std::string dateTime;  // as the caller's clock writes it, e.g. "2026-12-09 14:05"
  std::string model;
  std::string port;  // as the user knows it, e.g. "COM3 (/dev/ttyUSB0)"
  std::uint32_t rateBefore = 0;
  std::uint32_t rateAfter = 0;
  int family = 0;
  PrinterSettings settings;
  std::string settingsFile;    // the file's name; "" when no file was used
  std::string settingsSha256;  // the file's SHA-256 in hex
};

// The code page the slip is printed in: the one just set where it holds the language's letters,
// else CP437 for English and CP866 for Bulgarian, both in every printer of the list.
int SlipCodePage(int chosenCodePage, InterfaceLanguage language);

// ESC @; ESC t with the slip's code page; the title, the date and time, the model, the port,
// the rate before and after, every setting the send carried with its caption, the settings
// file with the first 12 digits of its SHA-256 (when a file was used), a line to sign; four line
// feeds and GS V 66 0; ESC @ again. In the interface language, "?" for what the code page cannot
// carry. One step a line, without pauses.
SettingsSequence BuildInstallSlip(const SlipFacts& facts, InterfaceLanguage language);

}  // namespace printer
