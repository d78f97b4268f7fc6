#include "task_texts.h"

namespace {

constexpr TaskTexts kBulgarianTasks = {
    "Търсене на принтер",
    "Стоп",
    "Търсене на принтера на %1 при %2 bps…",
    "Тестова страница",
    "Изключете и включете принтера. Очакване при %1 bps…",
    "Принтерът вече работи при %1 bps.",
    "Принтерът отговори при %1 bps: новата скорост не е приложена.",
};

constexpr TaskTexts kEnglishTasks = {
    "Find printer",
    "Stop",
    "Looking for the printer on %1 at %2 bps…",
    "Test page",
    "Switch the printer off and on. Waiting for it at %1 bps…",
    "The printer now works at %1 bps.",
    "The printer answered at %1 bps: the new baud rate has not taken effect.",
};

}  // namespace

const TaskTexts& TaskTextsFor(InterfaceLanguage language) {
  return language == InterfaceLanguage::Bulgarian ? kBulgarianTasks : kEnglishTasks;
}
