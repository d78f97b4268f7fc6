#pragma once

#include <QString>

#include "completed_send.h"
#include "install_log.h"
#include "interface_language.h"
#include "printer_search.h"

// What the window, apply and batch write to the install log and print on the slip.
namespace prefs {

// What a job's records and slips share: the settings file (none for the window's Set) and its
// SHA-256, the settings sent, and the language of the slip.
struct InstallContext {
  QString settingsFile;  // as given
  QString sha256;
  printer::PrinterSettings settings;
  // The window's stored language, else the one it would start in.
  InterfaceLanguage language = InterfaceLanguage::English;
};

InstallContext ContextFor(const QString& settingsFile, const printer::PrinterSettings& settings);

// The slip's facts besides the printer's: the time now, the port as shown, and the settings
// file's name and SHA-256.
printer::SlipFacts SlipFactsFor(const InstallContext& context, const QString& portShown);

InstallRecord RecordOf(const InstallContext& context, const printer::SearchPort& port,
                       const printer::InstallOutcome& outcome);

}  // namespace prefs
