#include "mainform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QShortcut>
#include <QStyleOptionComboBox>
#include <QTimer>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "enter_press.h"
#include "identify.h"
#include "language.h"
#include "message_dialog.h"
#include "open_failure_text.h"
#include "port_chooser.h"
#include "preferences.h"
#include "printer.h"
#include "printer_lists.h"
#include "restart_wait.h"
#include "search_report.h"
#include "settings_sequence.h"
#include "svg_icon.h"
#include "task_texts.h"
#include "test_page.h"
#include "ui_mainform.h"

namespace {

constexpr auto kConnectFailed =
    "Connect failed. Please verify you have selected the right com port, the right baudrate (can "
    "be seen on printer's selftest) and you have no windows printer driver attached to this com "
    "port. This can be verified from Control Panel->Printers";
constexpr auto kNoAnswer = "Error communicating with printer";
constexpr auto kOperationComplete =
    "Operation complete. In order to DIP settings changes take effect you have to turn off and on "
    "your printer!";
constexpr auto kConnectFirst = "... please connect first...";
constexpr auto kLoadFailed = "Failed loading preferences!";
constexpr auto kSaveFailed = "Failed saving preferences!";

// Entries selected in the form before anything is loaded.
constexpr int kFastestBaud = 7;
constexpr int kFullIntensity = 3;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// The language of the port list and of the reasons a port would not open.
ports::TextLanguage TextLanguageOf(int language) {
  return language == kBulgarian ? ports::TextLanguage::Bulgarian : ports::TextLanguage::English;
}

// The Connect caption keeps a mnemonic on its first letter in both languages.
QString WithMnemonic(const QString& caption) { return u'&' + caption; }

template <std::size_t N>
void Fill(QComboBox* list, const std::array<const char*, N>& entries) {
  for (const char* entry : entries) list->addItem(Text(entry));
}

void SetEntries(QComboBox* list, const std::array<const char*, 2>& entries) {
  list->setItemText(0, Text(entries[0]));
  list->setItemText(1, Text(entries[1]));
}

// The width a list needs to show its widest entry.
int ListWidth(const QComboBox* list) {
  int widest = 0;
  for (int i = 0; i < list->count(); ++i) {
    widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->itemText(i)));
  }
  QStyleOptionComboBox option;
  option.initFrom(list);
  const QSize text(widest, list->fontMetrics().height());
  return list->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, list).width();
}

// While the window waits on the port it goes on painting, but these controls are off and the
// cursor shows that the tool is busy.
class BusyScope {
 public:
  explicit BusyScope(std::initializer_list<QWidget*> controls)
      : focused_(QApplication::focusWidget()) {
    for (QWidget* control : controls) {
      if (control->isEnabled()) disabled_.push_back(control);
      control->setEnabled(false);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~BusyScope() {
    QApplication::restoreOverrideCursor();
    for (QWidget* control : disabled_) control->setEnabled(true);
    // Disabling the focused button moved the focus on; it goes back where the user left it.
    if (focused_ != nullptr && focused_->isEnabled()) focused_->setFocus();
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  BusyScope(BusyScope&&) = delete;
  BusyScope& operator=(BusyScope&&) = delete;

 private:
  QPointer<QWidget> focused_;
  std::vector<QWidget*> disabled_;
};

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

TMainF::TMainF(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TMainF>()),
      messageSink_(ShowMessage) {
  Q_INIT_RESOURCE(resources);
  ui->setupUi(this);
  settingsFile_ = new SettingsFileActions(
      this, *ui, [this] { return Connected ? ui->PrinterModel->text() : QString(); },
      [this](const QString& text) { Message(text); });
  portChooser_ = std::make_unique<PortChooser>(ui->cbPort, Serial);
  LangImages = {SvgIcon(":/flag_bg.svg"), SvgIcon(":/flag_bg_grey.svg"), SvgIcon(":/flag_gb.svg"),
                SvgIcon(":/flag_gb_grey.svg")};
  // Both flags in colour until a language is applied.
  ui->LangBG->setIcon(LangImages[0]);
  ui->LangEN->setIcon(LangImages[2]);
  FillLists();
  FitColumns();
  // The first control in tab order has the focus when the window opens.
  ui->cbPort->setFocus();

  connect(ui->Connect, &QPushButton::clicked, this, &TMainF::ConnectClick);
  connect(ui->Find, &QPushButton::clicked, this, &TMainF::FindClick);
  connect(ui->TestPage, &QPushButton::clicked, this, &TMainF::TestPageClick);
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
    return !closed_ && !stopSend_;
  });
  try {
    FormCreate();
  } catch (...) {
    ShowError(CurrentErrorMessage());
  }
}

TMainF::~TMainF() = default;

void TMainF::SetDeviceSource(std::unique_ptr<ports::DeviceSource> source) {
  portChooser_->SetSource(std::move(source));
}

void TMainF::FillLists() {
  Fill(ui->cbBaud, printer::kBaudLabels);
  Fill(ui->cbIntensity, printer::kIntensityLabels);
  Fill(ui->cbSpeed, printer::kUnconnectedSpeedLabels);
  Fill(ui->cbCountry, printer::kCountryLabels);
  Fill(ui->cbCodePage, printer::kCodePageLabels);
  Fill(ui->cbNewBaud, printer::kBaudLabels);
  Fill(ui->cbProtocol, printer::kProtocolLabels);
  ui->cbBaud->setCurrentIndex(kFastestBaud);
  ui->cbIntensity->setCurrentIndex(kFullIntensity);
  ui->cbNewBaud->setCurrentIndex(kFastestBaud);
}

// One column width for every group, wide enough for each label, list and button in both
// languages, so that the columns line up and a language switch does not resize the window.
void TMainF::FitColumns() {
  int widest = 0;
  const auto measure = [this, &widest] {
    for (const QLabel* label : findChildren<QLabel*>()) {
      widest = std::max(widest, label->sizeHint().width());
    }
    for (const QComboBox* list : findChildren<QComboBox*>()) {
      if (list != ui->cbCodePage) widest = std::max(widest, ListWidth(list));
    }
    for (const QPushButton* button : findChildren<QPushButton*>()) {
      widest = std::max(widest, button->sizeHint().width());
    }
  };
  for (const int language : {kBulgarian, kEnglish}) {
    for (const std::uint8_t connected : {0, 1}) {
      Connected = connected;
      WriteTexts(language);
      measure();
    }
  }
  Connected = 0;
  ui->retranslateUi(this);
  measure();
  // The code-page list spans two columns.
  const int spacing = ui->printerGrid->horizontalSpacing();
  widest = std::max(widest, (ListWidth(ui->cbCodePage) - spacing + 1) / 2);
  for (QGridLayout* grid : {ui->communicationGrid, ui->printerGrid, ui->dipGrid, ui->buttonGrid}) {
    for (int column = 0; column < 3; ++column) grid->setColumnMinimumWidth(column, widest);
  }
}

std::array<std::pair<QComboBox*, int prefs::StoredChoices::*>, 11> TMainF::StoredLists() const {
  return {{
      {ui->cbBaud, &prefs::StoredChoices::baud},
      {ui->cbIntensity, &prefs::StoredChoices::intensity},
      {ui->cbSpeed, &prefs::StoredChoices::speed},
      {ui->cbCountry, &prefs::StoredChoices::country},
      {ui->cbCodePage, &prefs::StoredChoices::codePage},
      {ui->cbNewBaud, &prefs::StoredChoices::newBaud},
      {ui->cbAutoCutter, &prefs::StoredChoices::autoCutter},
      {ui->cbPaper, &prefs::StoredChoices::paper},
      {ui->cbProtocol, &prefs::StoredChoices::protocol},
      {ui->cbCommandSet, &prefs::StoredChoices::commandSet},
      {ui->cbEsct, &prefs::StoredChoices::esct},
  }};
}

void TMainF::FormCreate() {
  ui->Connect->setIcon(SvgIcon(":/bolt_off.svg"));
  Connected = 0;
  ModelFamily = printer::kNoFamily;
  ui->cbPort->setCurrentIndex(0);
  ui->cbBaud->setCurrentIndex(kFastestBaud);
  ui->cbIntensity->setCurrentIndex(kFullIntensity);
  ui->cbSpeed->setCurrentIndex(0);
  ui->cbCountry->setCurrentIndex(0);
  ui->cbCodePage->setCurrentIndex(0);
  Language = -1;

  const prefs::LoadResult loaded = prefs::Load();
  if (loaded.status == prefs::LoadStatus::KeyUnavailable) return;
  Language = loaded.choices.language;
  portChooser_->Choose(loaded.choices.port, loaded.choices.portDevice);
  for (const auto& [list, choice] : StoredLists()) list->setCurrentIndex(loaded.choices.*choice);
  if (loaded.status == prefs::LoadStatus::Failed) Message(Text(kLoadFailed));

  if (Language == -1) Language = prefs::SystemUsesCyrillic() ? kBulgarian : kEnglish;
  ApplyLanguage();
}

void TMainF::FormClose() {
  if (Connected) Serial.Close();
  prefs::StoredChoices choices;
  choices.language = Language;
  choices.port = portChooser_->ChosenCom();
  choices.portDevice = portChooser_->ChosenDevice();
  for (const auto& [list, choice] : StoredLists()) choices.*choice = list->currentIndex();
  if (!prefs::Save(choices)) Message(Text(kSaveFailed));
}

void TMainF::closeEvent(QCloseEvent* event) {
  worker_.RequestStop();
  FormClose();
  closed_ = true;
  event->accept();
  if (runningHandlers_ == 0) emit Finished();
}

void TMainF::ExitClick() { close(); }

void TMainF::SetPortChoiceEnabled(bool enabled) {
  for (QWidget* choice : {static_cast<QWidget*>(ui->cbPort), static_cast<QWidget*>(ui->lbPort),
                          static_cast<QWidget*>(ui->cbBaud), static_cast<QWidget*>(ui->lbBaud)}) {
    choice->setEnabled(enabled);
  }
}

void TMainF::UpdateControls() {
  const bool connected = ModelFamily != printer::kNoFamily;
  SetPortChoiceEnabled(!connected);
  ui->tabPrinterSettings->setVisible(connected);
  ui->tabDIPSwitches->setVisible(ModelFamily == printer::kDipFamily);
  ui->Set->setEnabled(connected);
  ui->Find->setEnabled(!connected);
  ui->TestPage->setEnabled(connected && !sending_);
  if (!connected) return;

  const int speed = ui->cbSpeed->currentIndex();
  ui->cbSpeed->clear();
  Fill(ui->cbSpeed, printer::SpeedEntries(ModelFamily));
  ui->cbSpeed->setCurrentIndex(speed);
}

void TMainF::ConnectClick() {
  // While the tool waits for a restarted printer, Connect reads "Stop".
  if (task_ == Task::RestartWait) {
    worker_.RequestStop();
    return;
  }
  if (Connected) {
    Serial.Close();
    Connected = 0;
    ModelFamily = printer::kNoFamily;
    ui->Connect->setIcon(SvgIcon(":/bolt_off.svg"));
    ui->Connect->setText(WithMnemonic(QStringLiteral("Connect")));
    ui->PrinterModel->setText(Text(kConnectFirst));
    UpdateControls();
    StopSend();
    return;
  }
  // A send in progress keeps its port: a second one would interleave its commands on the wire.
  if (sending_ || task_ != Task::None) return;
  const RunningHandler running(*this);

  // With no rate selected there is nothing to open the port at.
  const std::uint32_t rate = printer::BaudRateOf(ui->cbBaud->currentIndex());
  bool opened = false;
  printer::IdentifyResult reply;
  {
    const BusyScope busy({ui->Connect, ui->Set});
    connectedDevice_ = portChooser_->SelectedDevice().toStdString();
    opened = rate != 0 && portChooser_->OpenSelected(Serial, rate);
    if (opened) reply = printer::AskModel(Serial);
  }
  if (!opened) {
    Message(ConnectFailed(rate));
    return;
  }
  // A silent printer's port is released, so that other programs can use it.
  if (!reply.answered || closed_) {
    Serial.Close();
    ui->pgProgress->setValue(0);
    Message(Text(kNoAnswer));
    return;
  }
  const QString shownName =
      QString::fromLatin1(reply.model.data(), static_cast<qsizetype>(reply.model.size()));
  ModelFamily = reply.family;
  if (ModelFamily == printer::kNoFamily) {
    ui->pgProgress->setValue(0);
    Serial.Close();
    Message(QStringLiteral("This printer model (") + shownName +
            QStringLiteral(") is not supported!"));
    return;
  }
  ui->PrinterModel->setText(shownName);
  Connected = 1;
  ui->Connect->setIcon(SvgIcon(":/bolt_on.svg"));
  ui->Connect->setText(WithMnemonic(QStringLiteral("Disconnect")));
  UpdateControls();
}

void TMainF::FindClick() {
  if (task_ == Task::Search) {
    worker_.RequestStop();
    return;
  }
  if (Connected || sending_ || task_ != Task::None) return;

  auto portIndices = std::make_shared<std::vector<int>>();
  printer::SearchRequest request;
  request.ports =
      ports::SearchPorts(portChooser_->Entries(), ui->cbPort->currentIndex(), portIndices.get());
  request.firstRate = printer::BaudRateOf(ui->cbBaud->currentIndex());
  const QString modelBefore = ui->PrinterModel->text();
  const int maximumBefore = ui->pgProgress->maximum();
  ShowSearching(true);

  task_ = Task::Search;
  auto result = std::make_shared<printer::SearchResult>();
  const auto showProgress = [this](int made, int planned, const QString& port, std::uint32_t rate) {
    ui->pgProgress->setMaximum(planned);
    ui->pgProgress->setValue(made);
    ui->PrinterModel->setText(
        QString::fromUtf8(TaskTextsFor(Language).looking).arg(port).arg(rate));
  };
  worker_.Start(
      [request, result, showProgress](BackgroundJob& job) {
        printer::SearchHooks hooks;
        hooks.progress = [&job, showProgress](int made, int planned, const std::string& port,
                                              std::uint32_t rate) {
          job.Post([showProgress, made, planned, port = QString::fromStdString(port), rate] {
            showProgress(made, planned, port, rate);
          });
        };
        hooks.stopRequested = [&job] { return job.StopRequested(); };
        *result = printer::FindPrinter(request, hooks);
      },
      [this, result, portIndices, modelBefore, maximumBefore] {
        FinishSearch(*result, *portIndices, modelBefore, maximumBefore);
      });
}

// While the search runs its button stops it; everything else but the flags waits.
void TMainF::ShowSearching(bool searching) {
  const TaskTexts& texts = TaskTextsFor(Language);
  ui->Find->setText(WithMnemonic(Text(searching ? texts.stop : texts.find)));
  SetPortChoiceEnabled(!searching);
  ui->Connect->setEnabled(!searching);
  ui->Exit->setEnabled(!searching);
  settingsFile_->SetEnabled(!searching);
  if (searching) {
    ui->Find->setFocus();
    ui->pgProgress->setValue(0);
  }
}

void TMainF::FinishSearch(const printer::SearchResult& result, const std::vector<int>& portIndices,
                          const QString& modelBefore, int maximumBefore) {
  task_ = Task::None;
  ShowSearching(false);
  ui->pgProgress->setMaximum(maximumBefore);
  ui->pgProgress->setValue(0);
  ui->PrinterModel->setText(modelBefore);
  if (closed_ || result.stopped) return;
  if (result.found) {
    ui->cbPort->setCurrentIndex(portIndices[static_cast<std::size_t>(result.portIndex)]);
    SelectRate(result.rate);
    ConnectClick();
    return;
  }
  Message(ports::SearchReport(result, TextLanguageOf(Language)));
}

void TMainF::SetClick() {
  if (sending_) return;
  // A new rate takes effect when the printer restarts; the window then waits for it.
  const std::uint32_t newRate =
      ModelFamily == printer::kDipFamily ? printer::BaudRateOf(ui->cbNewBaud->currentIndex()) : 0;
  const std::uint32_t oldRate = Serial.BaudRate();
  bool complete = false;
  WithSendControlsOff([&] { complete = SendSettings(); });
  if (complete && newRate != 0 && newRate != oldRate && Connected && !closed_) {
    FollowRateChange(newRate, oldRate);
  }
}

void TMainF::TestPageClick() {
  if (!Connected || sending_) return;
  WithSendControlsOff([this] { PrintTestPage(); });
}

void TMainF::WithSendControlsOff(const std::function<void()>& send) {
  const RunningHandler running(*this);
  for (QWidget* control : {ui->Set, ui->Exit, ui->TestPage}) control->setEnabled(false);
  SetSettingListsEnabled(false);
  settingsFile_->SetEnabled(false);
  send();
  settingsFile_->SetEnabled(true);
  SetSettingListsEnabled(true);
  for (QWidget* control : {ui->Connect, ui->Set, ui->Exit}) control->setEnabled(true);
  ui->TestPage->setEnabled(Connected != 0);
}

printer::PrinterSettings TMainF::ChosenSettings() const {
  return SelectedSettings(PrinterListsOf(*ui));
}

// While a send runs the lists would show values other than those going out.
void TMainF::SetSettingListsEnabled(bool enabled) {
  for (QWidget* group : {ui->tabPrinterSettings, ui->tabDIPSwitches}) {
    for (QComboBox* list : group->findChildren<QComboBox*>()) list->setEnabled(enabled);
  }
}

bool TMainF::SendSettings() {
  // Every value is taken now; the lists cannot change while the send runs.
  const printer::SendOutcome outcome =
      RunOnPrinter(printer::BuildSettingsSequence(ModelFamily, ChosenSettings(), pauseMs_), true);
  if (outcome == printer::SendOutcome::Complete && ModelFamily == printer::kDipFamily) {
    Message(Text(kOperationComplete));
  }
  return outcome == printer::SendOutcome::Complete;
}

// Prints what the lists show and the chart of the chosen code page; nothing the printer stores
// changes.
bool TMainF::PrintTestPage() {
  const printer::PrinterSettings settings = ChosenSettings();
  const std::string model = ui->PrinterModel->text().toLatin1().toStdString();
  return RunOnPrinter(printer::BuildTestPage(model, settings,
                                             printer::LabelsOf(settings, ModelFamily), Language),
                      false) == printer::SendOutcome::Complete;
}

printer::SendOutcome TMainF::RunOnPrinter(const printer::SettingsSequence& steps, bool checkAlive) {
  printer::SendHooks hooks;
  hooks.progress = [this](int maximum, int position) {
    if (maximum != printer::SequenceStep::kKeep) ui->pgProgress->setMaximum(maximum);
    ui->pgProgress->setValue(position == printer::SequenceStep::kFull ? ui->pgProgress->maximum()
                                                                      : position);
    Pump();
  };
  hooks.pause = [this](int ms) { return Pause(ms); };
  hooks.stopRequested = [this] { return stopSend_ || closed_; };

  sending_ = true;
  stopSend_ = false;
  const printer::SendOutcome outcome = checkAlive ? printer::SendSequence(Serial, steps, hooks)
                                                  : printer::RunSteps(Serial, steps, hooks);
  sending_ = false;
  stopSend_ = false;
  switch (outcome) {
    case printer::SendOutcome::NoAnswer:
    case printer::SendOutcome::LineLost:
      DropSilentPrinter();
      break;
    case printer::SendOutcome::Stopped:
      ui->pgProgress->setValue(0);
      break;
    case printer::SendOutcome::Complete:
      break;
  }
  return outcome;
}

// After a send that changed its rate the printer is followed through its restart: the port is
// closed and a worker tries the new rate and the old one until it answers.
void TMainF::FollowRateChange(std::uint32_t newRate, std::uint32_t oldRate) {
  printer::RestartWait wait;
  wait.device = connectedDevice_;
  wait.newRate = newRate;
  wait.oldRate = oldRate;
  wait.limit = std::chrono::milliseconds(restartLimitMs_);
  ConnectClick();

  task_ = Task::RestartWait;
  const int maximumBefore = ui->pgProgress->maximum();
  ui->pgProgress->setRange(0, 0);
  ui->PrinterModel->setText(
      QString::fromUtf8(TaskTextsFor(Language).waitingForRestart).arg(newRate));
  ui->Connect->setText(WithMnemonic(Text(TaskTextsFor(Language).stop)));
  SetPortChoiceEnabled(false);
  ui->Find->setEnabled(false);

  auto result = std::make_shared<printer::RestartResult>();
  worker_.Start(
      [wait, result](BackgroundJob& job) {
        printer::RestartHooks hooks;
        hooks.stopRequested = [&job] { return job.StopRequested(); };
        *result = printer::WaitForRestart(wait, hooks);
      },
      [this, result, newRate, oldRate, maximumBefore] {
        task_ = Task::None;
        ui->pgProgress->setRange(0, maximumBefore);
        ui->pgProgress->setValue(0);
        ui->Connect->setText(WithMnemonic(QStringLiteral("Connect")));
        ui->PrinterModel->setText(Text(kConnectFirst));
        UpdateControls();
        if (closed_) return;
        const TaskTexts& texts = TaskTextsFor(Language);
        switch (result->outcome) {
          case printer::RestartOutcome::NewRate:
            ReconnectAt(newRate, QString::fromUtf8(texts.newRateTaken).arg(newRate));
            break;
          case printer::RestartOutcome::OldRateKept:
            ReconnectAt(oldRate, QString::fromUtf8(texts.newRateNotTaken).arg(oldRate));
            break;
          case printer::RestartOutcome::NoAnswer:
            Message(Text(kNoAnswer));
            break;
          case printer::RestartOutcome::Stopped:
            break;
        }
      });
}

void TMainF::ReconnectAt(std::uint32_t rate, const QString& report) {
  SelectRate(rate);
  ConnectClick();
  if (Connected) Message(report);
}

void TMainF::SelectRate(std::uint32_t rate) {
  for (int index = 0; index < ui->cbBaud->count(); ++index) {
    if (printer::BaudRateOf(index) == rate) ui->cbBaud->setCurrentIndex(index);
  }
}

QString TMainF::ConnectFailed(std::uint32_t rate) const {
  // Without a rate nothing was opened, and there is no reason to give.
  const QString reason =
      rate == 0 ? QString()
                : ports::OpenFailureText(Serial.LastOpenError(), rate, TextLanguageOf(Language));
  return reason.isEmpty() ? Text(kConnectFailed)
                          : Text(kConnectFailed) + QStringLiteral("\n\n") + reason;
}

void TMainF::DropVanishedPrinter() {
  if (!Connected) return;
  ui->Connect->click();
  ui->pgProgress->setValue(0);
  Message(Text(kNoAnswer));
}

bool TMainF::DropSilentPrinter() {
  ui->pgProgress->setValue(0);
  Message(Text(kNoAnswer));
  ui->Connect->click();
  return false;
}

// A disconnect ends a running send at its next step; Connect comes back once it has returned.
void TMainF::StopSend() {
  if (!sending_) return;
  stopSend_ = true;
  ui->Connect->setEnabled(false);
  if (pauseLoop_ != nullptr) pauseLoop_->quit();
}

void TMainF::Pump() { QCoreApplication::processEvents(); }

// Waits the full pause while the window goes on repainting and handling input; false when the
// send was stopped meanwhile.
bool TMainF::Pause(int ms) {
  QElapsedTimer clock;
  clock.start();
  for (qint64 left = ms; left > 0 && !stopSend_ && !closed_; left = ms - clock.elapsed()) {
    QEventLoop loop;
    pauseLoop_ = &loop;
    QTimer::singleShot(static_cast<int>(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    pauseLoop_ = nullptr;
  }
  return !stopSend_ && !closed_;
}

void TMainF::Message(const QString& text) {
  // A closed window shows nothing more.
  if (!closed_) messageSink_(text);
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
  ShowFlags();
  WriteTexts(Language);
  portChooser_->SetLanguage(TextLanguageOf(Language));
}

void TMainF::ShowFlags() {
  const bool bulgarian = Language == kBulgarian;
  ui->LangBG->setIcon(LangImages[bulgarian ? 0 : 1]);
  ui->LangEN->setIcon(LangImages[bulgarian ? 3 : 2]);
}

void TMainF::WriteTexts(int language) {
  const LanguageTexts& texts = TextsFor(language);
  ui->tabCommunicationSettings->setTitle(Text(texts.communicationSettings));
  ui->lbPort->setText(Text(texts.port));
  ui->lbBaud->setText(Text(texts.baud));
  ui->Connect->setText(WithMnemonic(Text(Connected ? texts.disconnect : texts.connect)));
  const TaskTexts& find = TaskTextsFor(language);
  ui->Find->setText(WithMnemonic(Text(task_ == Task::Search ? find.stop : find.find)));
  ui->TestPage->setText(WithMnemonic(Text(find.testPage)));
  ui->Find->setAccessibleName(Text(find.find));
  ui->lbPrinterModel->setText(Text(texts.printerModel));
  ui->tabPrinterSettings->setTitle(Text(texts.printerSettings));
  ui->lbIntensity->setText(Text(texts.intensity));
  ui->lbSpeed->setText(Text(texts.speed));
  ui->lbCountry->setText(Text(texts.country));
  ui->lbCodePage->setText(Text(texts.codePage));
  ui->tabDIPSwitches->setTitle(Text(texts.dipSwitches));
  ui->lbNewBaud->setText(Text(texts.newBaud));
  ui->lbAutoCutter->setText(Text(texts.autoCutter));
  SetEntries(ui->cbAutoCutter, texts.autoCutterEntries);
  ui->lbPaper->setText(Text(texts.paper));
  SetEntries(ui->cbPaper, texts.paperEntries);
  ui->lbProtocol->setText(Text(texts.protocol));
  ui->lbCommandSet->setText(Text(texts.commandSet));
  SetEntries(ui->cbCommandSet, texts.commandSetEntries);
  ui->lbEsct->setText(Text(texts.esct));
  SetEntries(ui->cbEsct, texts.esctEntries);
  // Read out for the controls without a caption or label; each flag's name is its language's own.
  ui->pgProgress->setAccessibleName(Text(texts.progress));
  ui->LangBG->setAccessibleDescription(Text(texts.bulgarianFlag));
  ui->LangEN->setAccessibleDescription(Text(texts.englishFlag));
  settingsFile_->WriteTexts(texts);
}
