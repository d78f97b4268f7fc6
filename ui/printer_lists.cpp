#include "printer_lists.h"

#include "printer.h"
#include "ui_mainform.h"

PrinterLists PrinterListsOf(const Ui::TMainF& form) {
  using printer::PrinterSettings;
  return {{
      {form.cbIntensity, &PrinterSettings::intensity},
      {form.cbSpeed, &PrinterSettings::speed},
      {form.cbCountry, &PrinterSettings::country},
      {form.cbCodePage, &PrinterSettings::codePage},
      {form.cbNewBaud, &PrinterSettings::newBaud},
      {form.cbAutoCutter, &PrinterSettings::autoCutter},
      {form.cbPaper, &PrinterSettings::paper},
      {form.cbProtocol, &PrinterSettings::protocol},
      {form.cbCommandSet, &PrinterSettings::commandSet},
      {form.cbEsct, &PrinterSettings::esct},
  }};
}

printer::PrinterSettings SelectedSettings(const PrinterLists& lists) {
  printer::PrinterSettings settings;
  for (const auto& [list, setting] : lists) settings.*setting = list->currentIndex();
  return settings;
}

void SelectSettings(const PrinterLists& lists, const printer::PrinterSettings& settings) {
  for (const auto& [list, setting] : lists) list->setCurrentIndex(settings.*setting);
}

void SelectRate(QComboBox& list, std::uint32_t rate) {
  for (int index = 0; index < list.count(); ++index) {
    if (printer::BaudRateOf(index) == rate) list.setCurrentIndex(index);
  }
}
