#pragma once

#include <QString>

#include "install_job.h"
#include "install_log.h"
#include "interface_language.h"
#include "printer_search.h"

// What the window, apply and batch write to the install log and print on the slip.
namespace prefs {

// The settings file part of a job: its name and SHA-256, and the time and language of the slip.
struct InstallContext {
  QString settingsFile;  // as given
  QString sha256;
  printer::PrinterSettings settings;
  InterfaceLanguage language = InterfaceLanguage::English;  // the window's
};

InstallContext ContextFor(const QString& settingsFile, const printer::PrinterSettings& settings);

// The slip's facts that come from the command line: the time, the port and the file.
printer::SlipFacts SlipFactsFor(const InstallContext& context, const QString& portShown);

InstallRecord RecordOf(const InstallContext& context, const printer::SearchPort& port,
                       const printer::InstallOutcome& outcome);

}  // namespace prefs
