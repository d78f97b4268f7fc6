#include "install_record.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSysInfo>

#include "preferences.h"

namespace prefs {

QString ResultName(printer::InstallResult result) {
  switch (result) {
    case printer::InstallResult::Configured:
      return QStringLiteral("configured");
    case printer::InstallResult::RestartNeeded:
      return QStringLiteral("restart-needed");
    case printer::InstallResult::NoPrinter:
      return QStringLiteral("no-printer");
    case printer::InstallResult::Unsupported:
      return QStringLiteral("unsupported");
    case printer::InstallResult::CannotOpen:
    case printer::InstallResult::NotProbed:
      return QStringLiteral("cannot-open");
    case printer::InstallResult::Failed:
      break;
  }
  return QStringLiteral("failed");
}

QString StatusText(const printer::InstallOutcome& outcome) {
  using printer::InstallFailure;
  using printer::InstallResult;
  switch (outcome.result) {
    case InstallResult::Configured:
      return QStringLiteral("configured at %1 bps").arg(outcome.rateAfter);
    case InstallResult::RestartNeeded:
      return QStringLiteral("restart needed at %1 bps").arg(outcome.rateAfter);
    case InstallResult::NoPrinter:
      return QStringLiteral("no printer answered");
    case InstallResult::Unsupported:
      return QStringLiteral("this printer model (%1) is not supported")
          .arg(QString::fromLatin1(outcome.model.data(),
                                   static_cast<qsizetype>(outcome.model.size())));
    case InstallResult::CannotOpen:
    case InstallResult::NotProbed:
      return QStringLiteral("the port cannot be opened");
    case InstallResult::Failed:
      break;
  }
  switch (outcome.failure) {
    case InstallFailure::Stopped:
      return QStringLiteral("interrupted");
    case InstallFailure::NotConfirmed:
      return QStringLiteral("the printer did not answer after the send");
    case InstallFailure::OldRateKept:
      return QStringLiteral("the printer came back at the old rate, %1 bps")
          .arg(outcome.rateBefore);
    case InstallFailure::NoAnswerAfterWait:
      return QStringLiteral("the printer did not come back at %1 bps").arg(outcome.rateAfter);
    case InstallFailure::NoAnswerAtSend:
    case InstallFailure::LineLost:
    case InstallFailure::None:
      break;
  }
  return QStringLiteral("error communicating with printer");
}

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
  record.result = ResultName(outcome.result);
  record.status = StatusText(outcome);
  return record;
}

}  // namespace prefs
