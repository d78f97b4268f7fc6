#pragma once

#include "interface_language.h"

// The window's texts in one interface language, in the order they are written (the settings
// lists' captions and two-entry lists are the printer's setting lines'), then the names
// and descriptions read out for the controls that have no caption or label, then the texts of
// the settings-file buttons: their captions, names and descriptions, the file dialog's name for
// settings files, and the messages (%1: the file; %2: the names of the values left unread).
struct LanguageTexts {
  const char* communicationSettings;
  const char* port;
  const char* baud;
  const char* disconnect;
  const char* connect;
  const char* printerModel;
  const char* printerSettings;
  const char* dipSwitches;
  const char* progress;
  const char* bulgarianFlag;
  const char* englishFlag;
  const char* loadSettings;
  const char* loadSettingsName;
  const char* loadSettingsDescription;
  const char* saveSettings;
  const char* saveSettingsName;
  const char* saveSettingsDescription;
  const char* settingsFiles;
  const char* settingsNotRead;
  const char* settingsTooLarge;
  const char* settingsNotSaved;
  const char* settingsSkipped;
  const char* codePages;        // the button, and the title of its question
  const char* codePagesPrompt;  // what the question asks for
  const char* printSlip;
  const char* installLogNotWritten;  // %1 the file
  const char* addNetworkPort;        // the port list's last entry
};

// The stored "Language" numbers of the two languages.
inline constexpr int kBulgarian = 0;
inline constexpr int kEnglish = 1;

// The texts of a language, as UTF-8.
const LanguageTexts& TextsFor(InterfaceLanguage language);
