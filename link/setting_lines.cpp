#include "setting_lines.h"

#include "list_entry.h"
#include "printer.h"
#include "test_page.h"

namespace printer {

namespace {

constexpr DipEntries kBulgarianDipEntries = {
    {"Забранено", "Разрешено"},
    {"Тясна (57mm)", "Широка (80mm)"},
    {"Стандартен", "Разширен"},
    {"Забранена", "Разрешена"},
};

constexpr DipEntries kEnglishDipEntries = {
    {"Disabled", "Enabled"},
    {"Narrow (57mm)", "Wide (80mm)"},
    {"Standard", "Extended"},
    {"Disabled", "Enabled"},
};

constexpr SettingCaptions kBulgarianCaptions = {
    "Интензитет на печат:", "Скорост на печат:",        "Страна:",
    "Кодова страница:",     "Нова серийна скорост:",    "Отрязване на хартията:",
    "Размер на хартията:",  "Комуникационен протокол:", "Команден протокол:",
    "ESC t команда:",
};

constexpr SettingCaptions kEnglishCaptions = {
    "Printing Intensity:", "Printing Speed:", "Country:",         "Codepage:",   "Baudrate:",
    "AutoCutter:",         "Paper Size:",     "Serial Protocol:", "Commandset:", "ESC t Command:",
};

}  // namespace

const DipEntries& DipEntriesFor(InterfaceLanguage language) {
  return language == InterfaceLanguage::Bulgarian ? kBulgarianDipEntries : kEnglishDipEntries;
}

const SettingCaptions& SettingCaptionsFor(InterfaceLanguage language) {
  return language == InterfaceLanguage::Bulgarian ? kBulgarianCaptions : kEnglishCaptions;
}

std::vector<SettingLine> SettingLines(const PrinterSettings& settings, int family,
                                      InterfaceLanguage language) {
  const SettingCaptions& captions = SettingCaptionsFor(language);
  const TestPageLabels labels = LabelsOf(settings, family);
  std::vector<SettingLine> lines = {
      {captions.intensity, labels.intensity},
      {captions.speed, labels.speed},
      {captions.country, labels.country},
      {captions.codePage, labels.codePage},
  };
  if (family != kDipFamily) return lines;
  const DipEntries& dip = DipEntriesFor(language);
  lines.push_back({captions.newBaud, ListEntry(kBaudLabels, settings.newBaud)});
  lines.push_back({captions.autoCutter, ListEntry(dip.autoCutter, settings.autoCutter)});
  lines.push_back({captions.paper, ListEntry(dip.paper, settings.paper)});
  lines.push_back({captions.protocol, ListEntry(kProtocolLabels, settings.protocol)});
  lines.push_back({captions.commandSet, ListEntry(dip.commandSet, settings.commandSet)});
  lines.push_back({captions.esct, ListEntry(dip.esct, settings.esct)});
  return lines;
}

}  // namespace printer
