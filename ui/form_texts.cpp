#include "form_texts.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionComboBox>

#include <algorithm>
#include <array>

#include "language.h"
#include "printer.h"
#include "setting_lines.h"
#include "task_texts.h"
#include "ui_mainform.h"

namespace form {
namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

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

QString WithMnemonic(const char* utf8) { return u'&' + Text(utf8); }

void FillLists(Ui::TMainF& form) {
  Fill(form.cbBaud, printer::kBaudLabels);
  Fill(form.cbIntensity, printer::kIntensityLabels);
  Fill(form.cbSpeed, printer::kUnconnectedSpeedLabels);
  Fill(form.cbCountry, printer::kCountryLabels);
  Fill(form.cbCodePage, printer::kCodePageLabels);
  Fill(form.cbNewBaud, printer::kBaudLabels);
  Fill(form.cbProtocol, printer::kProtocolLabels);
}

void WriteTexts(Ui::TMainF& form, InterfaceLanguage language) {
  const LanguageTexts& texts = TextsFor(language);
  const TaskTexts& tasks = TaskTextsFor(language);
  const printer::SettingCaptions& captions = printer::SettingCaptionsFor(language);
  const printer::DipEntries& dip = printer::DipEntriesFor(language);
  form.tabCommunicationSettings->setTitle(Text(texts.communicationSettings));
  form.lbPort->setText(Text(texts.port));
  form.lbBaud->setText(Text(texts.baud));
  form.TestPage->setText(WithMnemonic(tasks.testPage));
  form.CodePages->setText(Text(texts.codePages));
  form.PrintSlip->setText(Text(texts.printSlip));
  form.Find->setAccessibleName(Text(tasks.find));
  form.lbPrinterModel->setText(Text(texts.printerModel));
  form.tabPrinterSettings->setTitle(Text(texts.printerSettings));
  form.lbIntensity->setText(Text(captions.intensity));
  form.lbSpeed->setText(Text(captions.speed));
  form.lbCountry->setText(Text(captions.country));
  form.lbCodePage->setText(Text(captions.codePage));
  form.tabDIPSwitches->setTitle(Text(texts.dipSwitches));
  form.lbNewBaud->setText(Text(captions.newBaud));
  form.lbAutoCutter->setText(Text(captions.autoCutter));
  SetEntries(form.cbAutoCutter, dip.autoCutter);
  form.lbPaper->setText(Text(captions.paper));
  SetEntries(form.cbPaper, dip.paper);
  form.lbProtocol->setText(Text(captions.protocol));
  form.lbCommandSet->setText(Text(captions.commandSet));
  SetEntries(form.cbCommandSet, dip.commandSet);
  form.lbEsct->setText(Text(captions.esct));
  SetEntries(form.cbEsct, dip.esct);
  // Read out for the controls without a caption or label; each flag's name is its language's own.
  form.pgProgress->setAccessibleName(Text(texts.progress));
  form.LangBG->setAccessibleDescription(Text(texts.bulgarianFlag));
  form.LangEN->setAccessibleDescription(Text(texts.englishFlag));
}

int MeasureColumnWidth() {
  // A form of its own, so that the window's texts and lists stay as they are.
  QWidget window;
  Ui::TMainF form;
  form.setupUi(&window);
  FillLists(form);
  int widest = 0;
  const auto widen = [&widest](int width) { widest = std::max(widest, width); };
  // Shaping every entry is the dear part, so the lists whose entries do not change with the
  // language are measured once; labels and buttons keep their measure until their text changes.
  const std::array<const QComboBox*, 4> languageLists{form.cbAutoCutter, form.cbPaper,
                                                      form.cbCommandSet, form.cbEsct};
  for (const QComboBox* list : window.findChildren<QComboBox*>()) {
    if (std::find(languageLists.begin(), languageLists.end(), list) == languageLists.end()) {
      widen(list == form.cbCodePage
                // The code-page list spans two columns.
                ? (ListWidth(list) - form.printerGrid->horizontalSpacing() + 1) / 2
                : ListWidth(list));
    }
  }
  const auto measureTexts = [&] {
    for (const QLabel* label : window.findChildren<QLabel*>()) widen(label->sizeHint().width());
    for (const QComboBox* list : languageLists) widen(ListWidth(list));
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
      widen(button->sizeHint().width());
    }
  };
  // The form's own texts, which a stored language the window does not know leaves in place.
  measureTexts();
  for (const InterfaceLanguage language :
       {InterfaceLanguage::Bulgarian, InterfaceLanguage::English}) {
    const LanguageTexts& texts = TextsFor(language);
    const TaskTexts& tasks = TaskTextsFor(language);
    WriteTexts(form, language);
    form.Find->setText(WithMnemonic(tasks.find));
    form.LoadSettings->setText(Text(texts.loadSettings));
    form.SaveSettings->setText(Text(texts.saveSettings));
    for (const char* caption : {texts.connect, texts.disconnect, tasks.stop}) {
      form.Connect->setText(WithMnemonic(caption));
      widen(form.Connect->sizeHint().width());
    }
    measureTexts();
  }
  return widest;
}

int ColumnWidth(const Ui::TMainF& form) { return form.communicationGrid->columnMinimumWidth(0); }

void SetColumnWidth(Ui::TMainF& form, int width) {
  for (QGridLayout* grid :
       {form.communicationGrid, form.printerGrid, form.dipGrid, form.buttonGrid}) {
    for (int column = 0; column < 3; ++column) grid->setColumnMinimumWidth(column, width);
  }
}

}  // namespace form
