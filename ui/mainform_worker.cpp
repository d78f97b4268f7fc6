// The window's work that outlives a click, on the worker thread: the printer search and the
// wait for a printer restarted at a new rate. Each carries the device it is about.
#include "form_texts.h"
#include "mainform.h"
#include "port_chooser.h"
#include "printer_lists.h"
#include "printer_messages.h"
#include "search_progress.h"
#include "search_report.h"
#include "task_texts.h"
#include "ui_mainform.h"

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

void TMainF::FindClick() {
  if (activity_ == Activity::Searching) {
    worker_.RequestStop();
    return;
  }
  if (session_.IsConnected() || activity_ != Activity::Idle) return;

  printer::SearchRequest request;
  request.ports = ports::SearchPorts(portChooser_->Entries(), ui->cbPort->currentIndex());
  request.firstRate = printer::BaudRateOf(ui->cbBaud->currentIndex());
  const QString modelBefore = ui->PrinterModel->text();
  const int maximumBefore = ui->pgProgress->maximum();
  ChangeActivity(Activity::Searching, portChooser_->SelectedDevice());
  ui->Find->setFocus();
  ui->pgProgress->setValue(0);

  // The line names the port the result waits on; the bar counts the tries over every port and
  // says which ports are done.
  const auto showPort = [this](const QString& port, std::uint32_t rate) {
    ui->PrinterModel->setText(
        Text(TaskTextsFor(Speaking()).looking).arg(port, QString::number(rate)));
  };
  const auto showPorts = [this](const printer::PortsProgress& ports) {
    ui->pgProgress->setMaximum(ports.triesPlanned);
    ui->pgProgress->setValue(ports.triesMade);
    const QString text = texts::PortsProgressText(ports, Speaking());
    ui->pgProgress->setFormat(text);
    ui->pgProgress->setTextVisible(!text.isEmpty());
  };
  worker_.Run<printer::SearchResult>(
      [request, showPort, showPorts](BackgroundJob& job) {
        printer::SearchHooks hooks;
        hooks.progress = [&job, showPort](int, int, const std::string& port, std::uint32_t rate) {
          job.Post([showPort, port = QString::fromStdString(port), rate] { showPort(port, rate); });
        };
        hooks.ports = [&job, showPorts](const printer::PortsProgress& ports) {
          job.Post([showPorts, ports] { showPorts(ports); });
        };
        hooks.stopRequested = [&job] { return job.StopRequested(); };
        return printer::FindPrinter(request, hooks);
      },
      [this, modelBefore, maximumBefore](const printer::SearchResult& result) {
        FinishSearch(result, modelBefore, maximumBefore);
      });
}

void TMainF::FinishSearch(const printer::SearchResult& result, const QString& modelBefore,
                          int maximumBefore) {
  ChangeActivity(Activity::Idle);
  ui->pgProgress->setMaximum(maximumBefore);
  ui->pgProgress->setValue(0);
  ui->pgProgress->setTextVisible(false);
  ui->pgProgress->resetFormat();
  ui->PrinterModel->setText(modelBefore);
  if (closed_ || result.stopped) return;
  if (!result.found) {
    Message(texts::SearchReport(result, Speaking()));
    return;
  }
  // The device that answered, whatever the list shows now; by its path when it has no entry.
  SelectRate(*ui->cbBaud, result.rate);
  ConnectTo(DeviceName(result.device), result.rate);
}

// After a send that changed its rate the printer is followed through its restart: the port is
// closed and a worker tries the new rate and the old one on its device until it answers.
void TMainF::FollowRateChange(const printer::RateChangeAfterSend& after) {
  const printer::RestartWait wait = printer::RestartWaitAfter(session_, after, seams_.restartLimit);
  ConnectClick();

  const int maximumBefore = ui->pgProgress->maximum();
  ui->pgProgress->setRange(0, 0);
  ui->PrinterModel->setText(
      Text(TaskTextsFor(Speaking()).waitingForRestart).arg(QString::number(wait.newRate)));
  ChangeActivity(Activity::WaitingForRestart, DeviceName(wait.device));
  worker_.Run<printer::RestartResult>(
      [wait](BackgroundJob& job) {
        printer::RestartHooks hooks;
        hooks.stopRequested = [&job] { return job.StopRequested(); };
        return printer::WaitForRestart(wait, hooks);
      },
      [this, wait, maximumBefore](const printer::RestartResult& result) {
        FinishRestartWait(result, wait, maximumBefore);
      });
}

void TMainF::FinishRestartWait(const printer::RestartResult& result,
                               const printer::RestartWait& wait, int maximumBefore) {
  ChangeActivity(Activity::Idle);
  ui->pgProgress->setRange(0, maximumBefore);
  ui->pgProgress->setValue(0);
  ui->PrinterModel->setText(Text(form::kConnectFirst));
  if (closed_) return;
  const TaskTexts& tasks = TaskTextsFor(Speaking());
  std::uint32_t rate = 0;
  const char* report = nullptr;
  switch (result.outcome) {
    case printer::RestartOutcome::NewRate:
      rate = wait.newRate;
      report = tasks.newRateTaken;
      break;
    case printer::RestartOutcome::OldRateKept:
      rate = wait.oldRate;
      report = tasks.newRateNotTaken;
      break;
    case printer::RestartOutcome::NoAnswer:
      Message(texts::NoAnswer());
      return;
    case printer::RestartOutcome::Stopped:
      return;
  }
  // The printer answered on its device: that device is connected, whatever the list shows now.
  SelectRate(*ui->cbBaud, rate);
  ConnectTo(DeviceName(wait.device), rate);
  if (session_.IsConnected()) Message(Text(report).arg(QString::number(rate)));
}
