// What the window does for installers: after a completed Set, the installation slip and a line
// in the install log; and the code-page proof, which changes nothing the printer stores.
#include "code_page_proof.h"
#include "install_job.h"
#include "install_log.h"
#include "install_record.h"
#include "install_slip.h"
#include "language.h"
#include "mainform.h"
#include "port_chooser.h"
#include "test_page.h"
#include "ui_mainform.h"

void TMainF::CodePagesClick() {
  if (!session_.IsConnected() || activity_ != Activity::Idle) return;
  const LanguageTexts& texts = TextsFor(Speaking());
  const QString text = seams_.question(this, QString::fromUtf8(texts.codePages).remove(u'&'),
                                       QString::fromUtf8(texts.codePagesPrompt),
                                       QString::fromUtf8(printer::TestPageSample(Speaking())));
  if (text.isEmpty()) return;
  const printer::SettingsSequence steps = printer::BuildCodePageProof(text.toStdString());
  RunOnPrinter(Activity::PrintingTestPage,
               [&](const printer::SendHooks& hooks) { return session_.Run(steps, hooks); });
  setLeftOn_ = true;
  UpdateControls();
}

void TMainF::RecordCompletedSend(const printer::PrinterSettings& settings,
                                 const printer::RateChangeAfterSend& after) {
  printer::InstallOutcome outcome;
  outcome.model = session_.Model();
  outcome.family = session_.Family();
  outcome.rateBefore = after.oldRate;
  const bool restart = after.change != printer::RateChange::None;
  outcome.rateAfter = restart ? after.newRate : after.oldRate;
  outcome.result =
      restart ? printer::InstallResult::RestartNeeded : printer::InstallResult::Configured;

  prefs::InstallContext context = prefs::ContextFor({}, settings);
  context.language = Speaking();
  const QString device = DeviceName(session_.Device());
  const QString port = ui->cbPort->currentText().section(QStringLiteral(" — "), 0, 0);
  if (ui->PrintSlip->isChecked()) {
    printer::SlipFacts facts = prefs::SlipFactsFor(context, port + " (" + device + ')');
    facts.model = outcome.model;
    facts.rateBefore = outcome.rateBefore;
    facts.rateAfter = outcome.rateAfter;
    facts.family = outcome.family;
    facts.settings = settings;
    const printer::SettingsSequence slip = printer::BuildInstallSlip(facts, Speaking());
    RunOnPrinter(Activity::PrintingTestPage,
                 [&](const printer::SendHooks& hooks) { return session_.Run(slip, hooks); });
  }
  const printer::SearchPort reached{port.toStdString(), session_.Device(), port.toStdString()};
  if (!prefs::AppendInstallRecord(seams_.installLogPath,
                                  prefs::RecordOf(context, reached, outcome))) {
    Message(
        QString::fromUtf8(TextsFor(Speaking()).installLogNotWritten).arg(seams_.installLogPath));
  }
}
