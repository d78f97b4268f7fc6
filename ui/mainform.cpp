#include "mainform.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QShortcut>
#include <QStyleOptionComboBox>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "enter_press.h"
#include "language.h"
#include "message_dialog.h"
#include "open_failure_text.h"
#include "port_chooser.h"
#include "preferences.h"
#include "printer.h"
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

}  // namespace

TMainF::TMainF(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TMainF>()),
      messageSink_(ShowMessage) {
  Q_INIT_RESOURCE(resources);
  ui->setupUi(this);
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
  connect(ui->Set, &QPushButton::clicked, this, &TMainF::SetClick);
  connect(ui->Exit, &QPushButton::clicked, this, &TMainF::ExitClick);
  connect(ui->LangBG, &QToolButton::clicked, this, &TMainF::LangBGClick);
  connect(ui->LangEN, &QToolButton::clicked, this, &TMainF::LangENClick);
  connect(portChooser_.get(), &PortChooser::OpenedDeviceGone, this, &TMainF::DropVanishedPrinter);
  connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, ui->Exit,
          &QPushButton::click);
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) PressOnEnter(button);

  Serial.SetDeviceResolver(
      [](int port) { return QFile::encodeName(prefs::DeviceForPort(port)).toStdString(); });
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
  FormClose();
  closed_ = true;
  event->accept();
  if (runningSequences_ == 0) emit Finished();
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
    return;
  }

  // With no rate selected there is nothing to open the port at.
  const std::uint32_t rate = printer::BaudRateOf(ui->cbBaud->currentIndex());
  if (rate == 0 || !portChooser_->OpenSelected(Serial, rate)) {
    Message(ConnectFailed(rate));
    return;
  }
  WriteCommand(printer::EncodeIdentify());
  if (Serial.Read(CommandBuffer.data(), printer::kIdentifyReplyLength, printer::kTimeoutMs) !=
      printer::kIdentifyReplyLength) {
    ui->pgProgress->setValue(0);
    Message(Text(kNoAnswer));
    return;
  }
  const std::string name = printer::ModelNameFromReply(
      std::span<const std::uint8_t>(CommandBuffer).first(printer::kIdentifyReplyLength));
  const QString shownName = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  ModelFamily = printer::kNoFamily;
  ModelFamily = printer::Classify(name);
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
  ++runningSequences_;
  ui->Set->setEnabled(false);
  ui->Exit->setEnabled(false);
  SendSettings();
  ui->Set->setEnabled(true);
  ui->Exit->setEnabled(true);
  --runningSequences_;
  if (closed_ && runningSequences_ == 0) emit Finished();
}

bool TMainF::SendSettings() {
  ui->pgProgress->setValue(0);
  Pump();
  // Bytes left from an earlier answer or chatter would pass for the reply of a printer that is
  // no longer there.
  Serial.DiscardInput();
  WriteCommand(printer::EncodeIdentify());
  if (Serial.Read(CommandBuffer.data(), printer::kIdentifyReplyLength, printer::kTimeoutMs) !=
      printer::kIdentifyReplyLength) {
    return DropSilentPrinter();
  }
  StepProgress();

  if (!Deliver(printer::EncodeSettingsBlock(
          ui->cbIntensity->currentIndex(), ui->cbSpeed->currentIndex(),
          ui->cbCountry->currentIndex(), ui->cbCodePage->currentIndex())) ||
      !Deliver(printer::EncodeSettingsEnd())) {
    return DropSilentPrinter();
  }
  Pause();
  StepProgress();

  if (ModelFamily == printer::kDipFamily) {
    ui->pgProgress->setMaximum(printer::kDipSwitchCount);
    ui->pgProgress->setValue(0);
    if (ui->cbNewBaud->currentIndex() >= 0) {
      for (int bit = 0; bit < 3; ++bit) {
        if (!SendDipSwitch(bit + 1, printer::DipBaudBits(ui->cbNewBaud->currentIndex())[bit])) {
          return DropSilentPrinter();
        }
      }
    }
    const std::array<std::pair<int, const QComboBox*>, 5> switches = {{
        {4, ui->cbProtocol},
        {5, ui->cbCommandSet},
        {6, ui->cbEsct},
        {7, ui->cbAutoCutter},
        {8, ui->cbPaper},
    }};
    for (const auto& [number, list] : switches) {
      if (!SendDipSwitch(number, list->currentIndex())) return DropSilentPrinter();
    }
  }

  if (!Deliver(printer::EncodeClosing())) return DropSilentPrinter();
  ui->pgProgress->setValue(ui->pgProgress->maximum());
  if (ModelFamily == printer::kDipFamily) Message(Text(kOperationComplete));
  return true;
}

bool TMainF::SendDipSwitch(int number, int value) {
  if (!Deliver(printer::EncodeDipSwitch(number, value))) return false;
  Pause();
  StepProgress();
  return true;
}

// A printer that no longer takes every byte (its cable pulled mid-send) must not end in
// "Operation complete". A port closed here during the send (Disconnect, or the window closing)
// is no such failure: the rest of the sequence goes to the closed port.
bool TMainF::Deliver(std::span<const std::uint8_t> command) {
  return WriteCommand(command) == static_cast<int>(command.size()) || !Serial.IsOpen();
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

int TMainF::WriteCommand(std::span<const std::uint8_t> command) {
  std::copy(command.begin(), command.end(), CommandBuffer.begin());
  return Serial.Write(CommandBuffer.data(), static_cast<int>(command.size()), printer::kTimeoutMs);
}

void TMainF::StepProgress() {
  ui->pgProgress->setValue(ui->pgProgress->value() + 1);
  Pump();
}

void TMainF::Pump() { QCoreApplication::processEvents(); }

// Waits the full pause while the window goes on repainting and handling input.
void TMainF::Pause() {
  QElapsedTimer clock;
  clock.start();
  for (qint64 left = pauseMs_; left > 0; left = pauseMs_ - clock.elapsed()) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
  }
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
  portChooser_->SetLanguage(TextLanguageOf(Language));
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
