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
    "Електронни ключета",
    "Напредък",
    "Показва прозореца на български",
    "Показва прозореца на английски",
    "Зареждане на &настройки…",
    "Зареждане на настройки",
    "Избира настройките на принтера, записани във файл",
    "&Запис на настройките…",
    "Запис на настройките",
    "Записва избраните настройки на принтера във файл",
    "Настройки на принтера",
    "Файлът %1 не може да бъде прочетен като файл с настройки на принтера. Нищо не е променено.",
    "Файлът %1 е твърде голям за файл с настройки на принтера (над 64 KiB). Нищо не е променено.",
    "Настройките не можаха да бъдат записани във файла %1.",
    "Някои стойности във файла %1 липсват или са невалидни; тези настройки остават непроменени: "
    "%2.",
    "&Кодови страници…",
    "Текст, който да се отпечата във всяка от двадесетте кодови страници:",
    "&Бележка след настройката",
    "Дневникът на инсталациите %1 не можа да бъде записан.",
    "Мрежов порт…",
};

constexpr LanguageTexts kEnglishTexts = {
    "Communication Settings",
    "COM port:",
    "Baudrate:",
    "Disconnect",
    "Connect",
    "Printer model:",
    "Printer Settings",
    "DIP Switches",
    "Progress",
    "Shows the window in Bulgarian",
    "Shows the window in English",
    "&Load settings…",
    "Load settings",
    "Selects the printer settings saved in a file",
    "Sa&ve settings…",
    "Save settings",
    "Saves the selected printer settings to a file",
    "Printer settings",
    "The file %1 could not be read as a printer settings file. Nothing was changed.",
    "The file %1 is too large to be a printer settings file (over 64 KiB). Nothing was changed.",
    "The settings could not be saved to the file %1.",
    "Some values in the file %1 are missing or not valid; these settings were left as they were: "
    "%2.",
    "C&ode pages…",
    "The text to print in each of the twenty code pages:",
    "Print a sli&p after Set",
    "The install log %1 could not be written.",
    "Network port…",
};

}  // namespace

const LanguageTexts& TextsFor(InterfaceLanguage language) {
  return language == InterfaceLanguage::Bulgarian ? kBulgarianTexts : kEnglishTexts;
}
