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

// The captions of the ten lists, in the window's order.
using Captions = std::array<const char*, 10>;

constexpr Captions kBulgarianCaptions = {
    "Интензитет на печат:", "Скорост на печат:",        "Страна:",
    "Кодова страница:",     "Нова серийна скорост:",    "Отрязване на хартията:",
    "Размер на хартията:",  "Комуникационен протокол:", "Команден протокол:",
    "ESC t команда:",
};

constexpr Captions kEnglishCaptions = {
    "Printing Intensity:", "Printing Speed:", "Country:",         "Codepage:",   "Baudrate:",
    "AutoCutter:",         "Paper Size:",     "Serial Protocol:", "Commandset:", "ESC t Command:",
};

}  // namespace

const DipEntries& DipEntriesFor(InterfaceLanguage language) {
  return language == InterfaceLanguage::Bulgarian ? kBulgarianDipEntries : kEnglishDipEntries;
}

std::vector<SettingLine> SettingLines(const PrinterSettings& settings, int family,
                                      InterfaceLanguage language) {
  const Captions& captions =
      language == InterfaceLanguage::Bulgarian ? kBulgarianCaptions : kEnglishCaptions;
  const TestPageLabels labels = LabelsOf(settings, family);
  std::vector<SettingLine> lines = {
      {captions[0], labels.intensity},
      {captions[1], labels.speed},
      {captions[2], labels.country},
      {captions[3], labels.codePage},
  };
  if (family != kDipFamily) return lines;
  const DipEntries& dip = DipEntriesFor(language);
  lines.push_back({captions[4], ListEntry(kBaudLabels, settings.newBaud)});
  lines.push_back({captions[5], ListEntry(dip.autoCutter, settings.autoCutter)});
  lines.push_back({captions[6], ListEntry(dip.paper, settings.paper)});
  lines.push_back({captions[7], ListEntry(kProtocolLabels, settings.protocol)});
  lines.push_back({captions[8], ListEntry(dip.commandSet, settings.commandSet)});
  lines.push_back({captions[9], ListEntry(dip.esct, settings.esct)});
  return lines;
}

}  // namespace printer
