// What the window does for installers: after a completed Set, the installation slip and a line
// in the install log; and the code-page proof, which changes nothing the printer stores.
#include "code_page_proof.h"
#include "completed_send.h"
#include "install_log.h"
#include "install_record.h"
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

void TMainF::RecordCompletedSend(const printer::PrinterSettings& settings) {
  const QString device = DeviceName(session_.Device());
  const ports::PortEntry* entry = portChooser_->EntryFor(device);
  const QString port = entry != nullptr ? entry->Name() : device;
  prefs::InstallContext context;
  context.settings = settings;
  context.language = Speaking();
  printer::SendWishes wishes;
  wishes.printSlip = ui->PrintSlip->isChecked();
  wishes.slip = prefs::SlipFactsFor(context, entry != nullptr ? port + " (" + device + ')' : port);
  wishes.language = Speaking();
  wishes.run = [this](const printer::SettingsSequence& slip) {
    return RunOnPrinter(Activity::PrintingTestPage,
                        [&](const printer::SendHooks& hooks) { return session_.Run(slip, hooks); });
  };
  const printer::InstallOutcome outcome =
      printer::CompleteSend(session_, settings, printer::SendOutcome::Complete, wishes);
  const printer::SearchPort reached{port.toStdString(), session_.Device(), port.toStdString()};
  if (!prefs::AppendInstallRecord(seams_.installLogPath,
                                  prefs::RecordOf(context, reached, outcome))) {
    Message(
        QString::fromUtf8(TextsFor(Speaking()).installLogNotWritten).arg(seams_.installLogPath));
  }
}
