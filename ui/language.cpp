#include "language.h"

namespace {

constexpr LanguageTexts kBulgarianTexts = {
    "Комуникационни настройки",
    "Сериен порт:",
    "Серийна скорост:",
    "Разкачане",
    "Свързване",
    "Модел на принтера:",
    "Настройки на принтера",
    "Интензитет на печат:",
    "Скорост на печат:",
    "Страна:",
    "Кодова страница:",
    "Електронни ключета",
    "Нова серийна скорост:",
    "Отрязване на хартията:",
    {"Забранено", "Разрешено"},
    "Размер на хартията:",
    {"Тясна (57mm)", "Широка (80mm)"},
    "Комуникационен протокол:",
    "Команден протокол:",
    {"Стандартен", "Разширен"},
    "ESC t команда:",
    {"Забранена", "Разрешена"},
    "Напредък",
    "Показва прозореца на български",
    "Показва прозореца на английски",
};

constexpr LanguageTexts kEnglishTexts = {
    "Communication Settings",
    "COM port:",
    "Baudrate:",
    "Disconnect",
    "Connect",
    "Printer model:",
    "Printer Settings",
    "Printing Intensity:",
    "Printing Speed:",
    "Country:",
    "Codepage:",
    "DIP Switches",
    "Baudrate:",
    "AutoCutter:",
    {"Disabled", "Enabled"},
    "Paper Size:",
    {"Narrow (57mm)", "Wide (80mm)"},
    "Serial Protocol:",
    "Commandset:",
    {"Standard", "Extended"},
    "ESC t Command:",
    {"Disabled", "Enabled"},
    "Progress",
    "Shows the window in Bulgarian",
    "Shows the window in English",
};

}  // namespace

const LanguageTexts& TextsFor(int language) {
  return language == kBulgarian ? kBulgarianTexts : kEnglishTexts;
}
