#include "mainform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
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
#include "preferences.h"
#include "printer.h"
#include "settings_sequence.h"
#include "svg_icon.h"
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
  connect(ui->Set, &QPushButton::clicked, this, &TMainF::SetClick);
  connect(ui->Exit, &QPushButton::clicked, this, &TMainF::ExitClick);
  connect(ui->LangBG, &QToolButton::clicked, this, &TMainF::LangBGClick);
  connect(ui->LangEN, &QToolButton::clicked, this, &TMainF::LangENClick);
  connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, ui->Exit,
          &QPushButton::click);
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) PressOnEnter(button);

  Serial.SetDeviceResolver(
      [](int port) { return QFile::encodeName(prefs::DeviceForPort(port)).toStdString(); });
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
    for (const QWidget* button : {ui->Connect, ui->Set, ui->Exit}) {
      widest = std::max(widest, button->sizeHint().width());
    }
  };
  for (const int language : {kBulgarian, kEnglish}) {
    for (const std::uint8_t connected : {0, 1}) {
      Connected = connected;
      WriteTexts(TextsFor(language));
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
  ui->cbPort->setCurrentIndex(loaded.choices.port - 1);
  for (const auto& [list, choice] : StoredLists()) list->setCurrentIndex(loaded.choices.*choice);
  if (loaded.status == prefs::LoadStatus::Failed) Message(Text(kLoadFailed));

  if (Language == -1) Language = prefs::SystemUsesCyrillic() ? kBulgarian : kEnglish;
  ApplyLanguage();
}

void TMainF::FormClose() {
  if (Connected) Serial.Close();
  prefs::StoredChoices choices;
  choices.language = Language;
  choices.port = ui->cbPort->currentIndex() + 1;
  for (const auto& [list, choice] : StoredLists()) choices.*choice = list->currentIndex();
  if (!prefs::Save(choices)) Message(Text(kSaveFailed));
}

void TMainF::closeEvent(QCloseEvent* event) {
  FormClose();
  closed_ = true;
  event->accept();
  if (runningHandlers_ == 0) emit Finished();
}

void TMainF::ExitClick() { close(); }

void TMainF::UpdateControls() {
  const bool connected = ModelFamily != printer::kNoFamily;
  for (QWidget* choice : {static_cast<QWidget*>(ui->cbPort), static_cast<QWidget*>(ui->lbPort),
                          static_cast<QWidget*>(ui->cbBaud), static_cast<QWidget*>(ui->lbBaud)}) {
    choice->setEnabled(!connected);
  }
  ui->tabPrinterSettings->setVisible(connected);
  ui->tabDIPSwitches->setVisible(ModelFamily == printer::kDipFamily);
  ui->Set->setEnabled(connected);
  if (!connected) return;

  const int speed = ui->cbSpeed->currentIndex();
  ui->cbSpeed->clear();
  Fill(ui->cbSpeed, printer::SpeedEntries(ModelFamily));
  ui->cbSpeed->setCurrentIndex(speed);
}

void TMainF::ConnectClick() {
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
  if (sending_) return;
  const RunningHandler running(*this);

  // With no rate selected there is nothing to open the port at.
  const std::uint32_t rate = printer::BaudRateOf(ui->cbBaud->currentIndex());
  const int port = ui->cbPort->currentIndex() + 1;
  bool opened = false;
  printer::IdentifyResult reply;
  {
    const BusyScope busy({ui->Connect, ui->Set});
    opened = rate != 0 && Serial.Open(port, rate);
    if (opened) reply = printer::AskModel(Serial);
  }
  if (!opened) {
    Message(Text(kConnectFailed));
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

void TMainF::SetClick() {
  if (sending_) return;
  const RunningHandler running(*this);
  ui->Set->setEnabled(false);
  ui->Exit->setEnabled(false);
  SetSettingListsEnabled(false);
  SendSettings();
  SetSettingListsEnabled(true);
  ui->Connect->setEnabled(true);
  ui->Set->setEnabled(true);
  ui->Exit->setEnabled(true);
}

printer::PrinterSettings TMainF::ChosenSettings() const {
  printer::PrinterSettings settings;
  settings.intensity = ui->cbIntensity->currentIndex();
  settings.speed = ui->cbSpeed->currentIndex();
  settings.country = ui->cbCountry->currentIndex();
  settings.codePage = ui->cbCodePage->currentIndex();
  settings.newBaud = ui->cbNewBaud->currentIndex();
  settings.autoCutter = ui->cbAutoCutter->currentIndex();
  settings.paper = ui->cbPaper->currentIndex();
  settings.protocol = ui->cbProtocol->currentIndex();
  settings.commandSet = ui->cbCommandSet->currentIndex();
  settings.esct = ui->cbEsct->currentIndex();
  return settings;
}

// While a send runs the lists would show values other than those going out.
void TMainF::SetSettingListsEnabled(bool enabled) {
  for (QWidget* group : {ui->tabPrinterSettings, ui->tabDIPSwitches}) {
    for (QComboBox* list : group->findChildren<QComboBox*>()) list->setEnabled(enabled);
  }
}

bool TMainF::SendSettings() {
  // Every value is taken now; the lists cannot change while the send runs.
  const printer::SettingsSequence steps =
      printer::BuildSettingsSequence(ModelFamily, ChosenSettings(), pauseMs_);
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
  const printer::SendOutcome outcome = printer::SendSequence(Serial, steps, hooks);
  sending_ = false;
  stopSend_ = false;
  switch (outcome) {
    case printer::SendOutcome::Complete:
      if (ModelFamily == printer::kDipFamily) Message(Text(kOperationComplete));
      return true;
    case printer::SendOutcome::NoAnswer:
    case printer::SendOutcome::LineLost:
      return DropSilentPrinter();
    case printer::SendOutcome::Stopped:
      ui->pgProgress->setValue(0);
      return false;
  }
  return false;
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
  WriteTexts(TextsFor(Language));
}

void TMainF::ShowFlags() {
  const bool bulgarian = Language == kBulgarian;
  ui->LangBG->setIcon(LangImages[bulgarian ? 0 : 1]);
  ui->LangEN->setIcon(LangImages[bulgarian ? 3 : 2]);
}

void TMainF::WriteTexts(const LanguageTexts& texts) {
  ui->tabCommunicationSettings->setTitle(Text(texts.communicationSettings));
  ui->lbPort->setText(Text(texts.port));
  ui->lbBaud->setText(Text(texts.baud));
  ui->Connect->setText(WithMnemonic(Text(Connected ? texts.disconnect : texts.connect)));
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
}
