#include "mainform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QShortcut>

#include "column_fit.h"
#include "enter_press.h"
#include "form_texts.h"
#include "install_log.h"
#include "language.h"
#include "message_dialog.h"
#include "network_port_dialog.h"
#include "port_chooser.h"
#include "preferences.h"
#include "printer.h"
#include "printer_lists.h"
#include "printer_messages.h"
#include "search_report.h"
#include "svg_icon.h"
#include "task_texts.h"
#include "ui_mainform.h"

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

// Counts a handler that may run nested pumps, so that a close inside it ends the program only
// once every such handler has returned.
class TMainF::RunningHandler {
 public:
  explicit RunningHandler(TMainF& window) : window_(window) { ++window_.runningHandlers_; }
  ~RunningHandler() {
    if (--window_.runningHandlers_ == 0 && window_.closed_) emit window_.Finished();
  }
  RunningHandler(const RunningHandler&) = delete;
  RunningHandler& operator=(const RunningHandler&) = delete;
  RunningHandler(RunningHandler&&) = delete;
  RunningHandler& operator=(RunningHandler&&) = delete;

 private:
  TMainF& window_;
};

// What the window does while a handler waits on the printer; the window is idle again when the
// handler is done, and the focus goes back where the user left it in this window, also while
// another window is the active one.
class TMainF::ActivityScope {
 public:
  ActivityScope(TMainF& window, Activity activity)
      : window_(window), running_(window), focused_(window.focusWidget()) {
    window_.ChangeActivity(activity);
  }
  ~ActivityScope() {
    window_.ChangeActivity(Activity::Idle);
    if (focused_ != nullptr && focused_->isEnabled()) focused_->setFocus();
  }
  ActivityScope(const ActivityScope&) = delete;
  ActivityScope& operator=(const ActivityScope&) = delete;
  ActivityScope(ActivityScope&&) = delete;
  ActivityScope& operator=(ActivityScope&&) = delete;

 private:
  TMainF& window_;
  const RunningHandler running_;
  QPointer<QWidget> focused_;
};

TMainF::TMainF(WindowSeams seams, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TMainF>()),
      seams_(std::move(seams)) {
  Q_INIT_RESOURCE(resources);
  ui->setupUi(this);
  settingsFile_ = new SettingsFileActions(
      this, *ui, [this] { return session_.IsConnected() ? ui->PrinterModel->text() : QString(); },
      [this](const QString& text) { Message(text); });
  settingsFile_->SetFileDialog(seams_.fileDialog);
  portChooser_ = std::make_unique<PortChooser>(ui->cbPort, Serial);
  portChooser_->SetAddressDialog(seams_.networkPort);
  send_ = std::make_unique<PumpedSend>(*ui->pgProgress, [this] { return closed_; });
  LangImages = {SvgIcon(":/flag_bg.svg"), SvgIcon(":/flag_bg_grey.svg"), SvgIcon(":/flag_gb.svg"),
                SvgIcon(":/flag_gb_grey.svg")};
  bolts_ = {SvgIcon(":/bolt_off.svg"), SvgIcon(":/bolt_on.svg")};
  // Both flags in colour until a language is applied.
  ui->LangBG->setIcon(LangImages[0]);
  ui->LangEN->setIcon(LangImages[2]);
  form::FillLists(*ui);
  new ColumnFit(*this, *ui, DefaultColumnWidthFile());
  // The first control in tab order has the focus when the window opens.
  ui->cbPort->setFocus();

  connect(ui->Connect, &QPushButton::clicked, this, &TMainF::ConnectClick);
  connect(ui->Find, &QPushButton::clicked, this, &TMainF::FindClick);
  connect(ui->TestPage, &QPushButton::clicked, this, &TMainF::TestPageClick);
  connect(ui->CodePages, &QPushButton::clicked, this, &TMainF::CodePagesClick);
  connect(ui->Set, &QPushButton::clicked, this, &TMainF::SetClick);
  connect(ui->Exit, &QPushButton::clicked, this, &TMainF::ExitClick);
  connect(ui->LangBG, &QToolButton::clicked, this, &TMainF::LangBGClick);
  connect(ui->LangEN, &QToolButton::clicked, this, &TMainF::LangENClick);
  connect(portChooser_.get(), &PortChooser::OpenedDeviceGone, this, &TMainF::DropVanishedPrinter);
  connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, ui->Exit,
          &QPushButton::click);
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) PressOnEnter(button);

  Serial.SetDeviceResolver(prefs::PortMapResolver());
  // Paint and timers go on while the port is waited on; clicks wait until the handler is done,
  // so that none starts inside another.
  Serial.SetWaitHook([this] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return !send_->StopRequested();
  });
  try {
    FormCreate();
  } catch (...) {
    ShowError(CurrentErrorMessage());
  }
  // Once the stored choices are in the lists; the system's devices come once the list shows.
  if (seams_.devices) portChooser_->SetSource(std::move(seams_.devices));
}

TMainF::~TMainF() = default;

void TMainF::FormCreate() {
  ui->Connect->setIcon(bolts_[0]);
  // The starting selections are the stored values' defaults.
  const prefs::StoredChoices defaults;
  ui->cbPort->setCurrentIndex(0);
  ui->cbBaud->setCurrentIndex(defaults.baud);
  ui->cbIntensity->setCurrentIndex(defaults.printer.intensity);
  ui->cbSpeed->setCurrentIndex(defaults.printer.speed);
  ui->cbCountry->setCurrentIndex(defaults.printer.country);
  ui->cbCodePage->setCurrentIndex(defaults.printer.codePage);
  ui->cbNewBaud->setCurrentIndex(defaults.printer.newBaud);
  Language = -1;
  UpdateControls();

  const prefs::LoadResult loaded = prefs::Load();
  if (loaded.status == prefs::LoadStatus::KeyUnavailable) return;
  Language = loaded.choices.language;
  portChooser_->Choose(loaded.choices.port, loaded.choices.portDevice);
  ui->cbBaud->setCurrentIndex(loaded.choices.baud);
  SelectSettings(PrinterListsOf(*ui), loaded.choices.printer);
  ui->PrintSlip->setChecked(loaded.choices.printSlip);
  if (loaded.status == prefs::LoadStatus::Failed) Message(Text(form::kLoadFailed));

  if (Language == -1) Language = prefs::SystemUsesCyrillic() ? kBulgarian : kEnglish;
  ApplyLanguage();
}

void TMainF::closeEvent(QCloseEvent* event) {
  worker_.RequestStop();
  if (session_.IsConnected()) session_.Disconnect();
  prefs::StoredChoices choices;
  choices.language = Language;
  choices.port = portChooser_->ChosenCom();
  choices.portDevice = portChooser_->ChosenDevice();
  choices.baud = ui->cbBaud->currentIndex();
  choices.printer = ChosenSettings();
  choices.printSlip = ui->PrintSlip->isChecked();
  if (!prefs::Save(choices)) Message(Text(form::kSaveFailed));
  closed_ = true;
  event->accept();
  if (runningHandlers_ == 0) emit Finished();
}

void TMainF::ExitClick() { close(); }

void TMainF::ChangeActivity(Activity activity, const QString& heldDevice) {
  const auto holdsDevice = [](Activity running) {
    return running == Activity::Searching || running == Activity::WaitingForRestart;
  };
  if (activity_ == Activity::Connecting) QApplication::restoreOverrideCursor();
  if (holdsDevice(activity)) {
    portChooser_->Hold(heldDevice);
  } else if (holdsDevice(activity_)) {
    portChooser_->Release();
  }
  activity_ = activity;
  if (activity_ == Activity::Connecting) QApplication::setOverrideCursor(Qt::WaitCursor);
  UpdateControls();
}

void TMainF::UpdateControls() {
  const bool connected = session_.IsConnected();
  const bool idle = activity_ == Activity::Idle;
  const bool sending = activity_ == Activity::Sending || activity_ == Activity::PrintingTestPage;
  const bool searching = activity_ == Activity::Searching;
  const bool waiting = activity_ == Activity::WaitingForRestart;

  for (QWidget* choice : {static_cast<QWidget*>(ui->cbPort), static_cast<QWidget*>(ui->lbPort),
                          static_cast<QWidget*>(ui->cbBaud), static_cast<QWidget*>(ui->lbBaud)}) {
    choice->setEnabled(!connected && (idle || sending));
  }
  ui->tabPrinterSettings->setVisible(connected);
  ui->tabDIPSwitches->setVisible(session_.Family() == printer::kDipFamily);
  // While a send runs the lists would show values other than those going out.
  for (QWidget* group : {ui->tabPrinterSettings, ui->tabDIPSwitches}) {
    for (QComboBox* list : group->findChildren<QComboBox*>()) list->setEnabled(!sending);
  }
  ui->Set->setEnabled((connected || setLeftOn_) && idle);
  ui->TestPage->setEnabled(connected && idle);
  ui->CodePages->setEnabled(connected && idle);
  ui->PrintSlip->setEnabled(!sending);
  ui->Exit->setEnabled(!sending && !searching);
  settingsFile_->SetEnabled(!sending && !searching);
  ui->Find->setEnabled(!connected && (idle || searching));
  const TaskTexts& tasks = TaskTextsFor(Speaking());
  ui->Find->setText(form::WithMnemonic(searching ? tasks.stop : tasks.find));
  // Connect stays usable during a send, to stop it; it waits for the send to wind down once it
  // was clicked. While a restarted printer is awaited, it stops the wait.
  ui->Connect->setEnabled(idle || waiting || (sending && !send_->Stopping()));
  const LanguageTexts& captions = TextsFor(connectCaptionLanguage_);
  ui->Connect->setText(form::WithMnemonic(waiting     ? tasks.stop
                                          : connected ? captions.disconnect
                                                      : captions.connect));
  if (!connected) return;

  const int speed = ui->cbSpeed->currentIndex();
  ui->cbSpeed->clear();
  for (const char* entry : printer::SpeedEntries(session_.Family())) {
    ui->cbSpeed->addItem(Text(entry));
  }
  ui->cbSpeed->setCurrentIndex(speed);
}

void TMainF::ConnectClick() {
  if (activity_ == Activity::WaitingForRestart) {
    worker_.RequestStop();
    return;
  }
  if (session_.IsConnected()) {
    session_.Disconnect();
    portChooser_->Watch({});
    portChooser_->Release();
    ui->Connect->setIcon(bolts_[0]);
    connectCaptionLanguage_ = InterfaceLanguage::English;
    setLeftOn_ = false;
    ui->PrinterModel->setText(Text(form::kConnectFirst));
    // A running send ends at its next step; Connect comes back once it has returned.
    send_->Stop();
    UpdateControls();
    return;
  }
  // A send in progress keeps its port: a second one would interleave its commands on the wire.
  if (activity_ != Activity::Idle) return;
  ConnectTo(portChooser_->SelectedDevice(), printer::BaudRateOf(ui->cbBaud->currentIndex()));
}

void TMainF::ConnectTo(const QString& device, std::uint32_t rate) {
  printer::ConnectResult result;
  {
    const ActivityScope connecting(*this, Activity::Connecting);
    result = session_.Connect(DevicePath(device), rate);
  }
  // A window closed meanwhile has saved its choices; the port it opened is released.
  if (closed_) {
    session_.Disconnect();
    return;
  }
  const QString shownName = texts::ModelName(result.model);
  switch (result.outcome) {
    case printer::ConnectOutcome::CannotOpen:
      Message(texts::ConnectFailed(result.openError, rate, Speaking()));
      return;
    case printer::ConnectOutcome::NoAnswer:
      ui->pgProgress->setValue(0);
      Message(texts::NoAnswer());
      return;
    case printer::ConnectOutcome::Unsupported:
      ui->pgProgress->setValue(0);
      Message(texts::UnsupportedModel(shownName));
      return;
    case printer::ConnectOutcome::Connected:
      break;
  }
  ui->PrinterModel->setText(shownName);
  // The connected entry is the one chosen from now on, and the list stays on it.
  portChooser_->SelectDevice(device);
  portChooser_->Hold(device);
  portChooser_->Watch(device);
  ui->Connect->setIcon(bolts_[1]);
  connectCaptionLanguage_ = InterfaceLanguage::English;
  setLeftOn_ = false;
  UpdateControls();
}

void TMainF::SetClick() {
  if (activity_ != Activity::Idle) return;
  const printer::PrinterSettings settings = ChosenSettings();
  const printer::RateChangeAfterSend after = session_.RateChangeAfter(settings);
  const bool complete = SendSettings();
  setLeftOn_ = true;
  UpdateControls();
  if (!complete || !session_.IsConnected() || closed_) return;
  RecordCompletedSend(settings);
  if (!session_.IsConnected() || closed_) return;
  if (after.change == printer::RateChange::WaitForRestart) FollowRateChange(after);
  if (after.change == printer::RateChange::SetDeviceServer) {
    Message(texts::SetDeviceServer(DeviceName(session_.Device()), after.newRate, Speaking()));
  }
}

void TMainF::TestPageClick() {
  if (!session_.IsConnected() || activity_ != Activity::Idle) return;
  // Prints what the lists show and the chart of the chosen code page; nothing the printer stores
  // changes.
  const printer::PrinterSettings settings = ChosenSettings();
  RunOnPrinter(Activity::PrintingTestPage, [&](const printer::SendHooks& hooks) {
    return session_.PrintTestPage(settings, Speaking(), hooks);
  });
  setLeftOn_ = true;
  UpdateControls();
}

printer::PrinterSettings TMainF::ChosenSettings() const {
  return SelectedSettings(PrinterListsOf(*ui));
}

bool TMainF::SendSettings() {
  // Every value is taken now; the lists cannot change while the send runs.
  const printer::PrinterSettings settings = ChosenSettings();
  const printer::SendOutcome outcome =
      RunOnPrinter(Activity::Sending, [&](const printer::SendHooks& hooks) {
        return session_.Send(settings, hooks, seams_.pauseMs);
      });
  if (outcome == printer::SendOutcome::Complete && session_.Family() == printer::kDipFamily) {
    Message(texts::OperationComplete());
  }
  return outcome == printer::SendOutcome::Complete;
}

printer::SendOutcome TMainF::RunOnPrinter(Activity activity, const PumpedSend::Steps& run) {
  printer::SendOutcome outcome = printer::SendOutcome::Stopped;
  {
    const ActivityScope running(*this, activity);
    outcome = send_->Run(run);
  }
  if (outcome == printer::SendOutcome::NoAnswer || outcome == printer::SendOutcome::LineLost) {
    Message(texts::NoAnswer());
    // As a click of Connect: a connected printer is dropped; after a send that found the port
    // closed, this is a new connection attempt.
    ConnectClick();
  }
  return outcome;
}

void TMainF::DropVanishedPrinter() {
  if (!session_.IsConnected()) return;
  ConnectClick();
  ui->pgProgress->setValue(0);
  Message(texts::NoAnswer());
}

void TMainF::Message(const QString& text) {
  // A closed window shows nothing more.
  if (!closed_) seams_.message(text);
}

void TMainF::LangBGClick() {
  Language = kBulgarian;
  ApplyLanguage();
}

void TMainF::LangENClick() {
  Language = kEnglish;
  ApplyLanguage();
}

void TMainF::ApplyLanguage() {
  if (Language != kBulgarian && Language != kEnglish) return;
  const bool bulgarian = Language == kBulgarian;
  ui->LangBG->setIcon(LangImages[bulgarian ? 0 : 1]);
  ui->LangEN->setIcon(LangImages[bulgarian ? 3 : 2]);
  form::WriteTexts(*ui, Speaking());
  settingsFile_->WriteTexts(TextsFor(Speaking()));
  connectCaptionLanguage_ = Speaking();
  UpdateControls();
  portChooser_->SetLanguage(Speaking());
}
