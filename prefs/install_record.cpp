#include "install_record.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSysInfo>

#include "install_result_text.h"
#include "preferences.h"

namespace prefs {

InstallContext ContextFor(const QString& settingsFile, const printer::PrinterSettings& settings) {
  const int stored = Load().choices.language;
  InstallContext context;
  context.settingsFile = settingsFile;
  context.sha256 = settingsFile.isEmpty() ? QString() : FileSha256(settingsFile);
  context.settings = settings;
  // Before the window has stored a language, the one it would start in.
  context.language =
      stored == 0 || stored == 1
          ? InterfaceLanguageOf(stored)
          : (SystemUsesCyrillic() ? InterfaceLanguage::Bulgarian : InterfaceLanguage::English);
  return context;
}

printer::SlipFacts SlipFactsFor(const InstallContext& context, const QString& portShown) {
  printer::SlipFacts facts;
  facts.dateTime =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
  facts.port = portShown.toStdString();
  facts.settingsFile = QFileInfo(context.settingsFile).fileName().toStdString();
  facts.settingsSha256 = context.sha256.toStdString();
  return facts;
}

InstallRecord RecordOf(const InstallContext& context, const printer::SearchPort& port,
                       const printer::InstallOutcome& outcome) {
  InstallRecord record;
  record.time = QDateTime::currentDateTimeUtc();
  record.tool = QCoreApplication::applicationVersion();
  record.host = QSysInfo::machineHostName();
  record.port = QString::fromStdString(port.tag);
  record.device = QString::fromStdString(port.device);
  record.model =
      QString::fromLatin1(outcome.model.data(), static_cast<qsizetype>(outcome.model.size()));
  record.family = outcome.family;
  record.baudBefore = outcome.rateBefore;
  record.baudAfter = outcome.rateAfter;
  record.settings = context.settings;
  record.settingsFile = context.settingsFile.isEmpty()
                            ? QString()
                            : QFileInfo(context.settingsFile).absoluteFilePath();
  record.sha256 = context.sha256;
  record.result = texts::ResultName(outcome.result);
  record.status = texts::StatusText(outcome);
  return record;
}

}  // namespace prefs
