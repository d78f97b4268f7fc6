#include "install_result_text.h"

namespace texts {

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

}  // namespace texts
