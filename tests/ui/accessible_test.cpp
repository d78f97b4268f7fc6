// What a screen reader is told about the window's controls, in both languages.
#include <QAccessible>

#include <set>

#include "window_fixture.h"

namespace {

struct Spoken {
  const char* control;
  const char* english;
  const char* bulgarian;
};

// Every control a user can reach, and the progress bar.
const std::vector<Spoken> kNames = {
    {"cbPort", "COM port:", "Сериен порт:"},
    {"cbBaud", "Baudrate:", "Серийна скорост:"},
    {"Connect", "Connect", "Свързване"},
    {"Find", "Find printer", "Търсене на принтер"},
    {"PrinterModel", "Printer model:", "Модел на принтера:"},
    {"cbIntensity", "Printing Intensity:", "Интензитет на печат:"},
    {"cbSpeed", "Printing Speed:", "Скорост на печат:"},
    {"cbCountry", "Country:", "Страна:"},
    {"cbCodePage", "Codepage:", "Кодова страница:"},
    {"cbNewBaud", "Baudrate:", "Нова серийна скорост:"},
    {"cbAutoCutter", "AutoCutter:", "Отрязване на хартията:"},
    {"cbPaper", "Paper Size:", "Размер на хартията:"},
    {"cbProtocol", "Serial Protocol:", "Комуникационен протокол:"},
    {"cbCommandSet", "Commandset:", "Команден протокол:"},
    {"cbEsct", "ESC t Command:", "ESC t команда:"},
    {"TestPage", "Test page", "Тестова страница"},
    {"Set", "Set Settings", "Set Settings"},
    {"Exit", "Exit", "Exit"},
    {"LoadSettings", "Load settings", "Зареждане на настройки"},
    {"SaveSettings", "Save settings", "Запис на настройките"},
    {"CodePages", "Code pages…", "Кодови страници…"},
    {"PrintSlip", "Print a slip after Set", "Бележка след настройката"},
    // Each language is named in itself, so that it can be found from the other one.
    {"LangBG", "Български", "Български"},
    {"LangEN", "English", "English"},
    {"pgProgress", "Progress", "Напредък"},
};

const std::vector<Spoken> kDescriptions = {
    {"LangBG", "Shows the window in Bulgarian", "Показва прозореца на български"},
    {"LangEN", "Shows the window in English", "Показва прозореца на английски"},
    {"Set", "Connects to the printer and sets the settings.",
     "Connects to the printer and sets the settings."},
    {"LoadSettings", "Selects the printer settings saved in a file",
     "Избира настройките на принтера, записани във файл"},
    {"SaveSettings", "Saves the selected printer settings to a file",
     "Записва избраните настройки на принтера във файл"},
};

QAccessibleInterface* Accessible(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  EXPECT_NE(accessible, nullptr) << widget->objectName().toStdString();
  return accessible;
}

// The name a screen reader announces. On Linux Qt gives a list's selected entry as its name and
// its label through the "labelled by" relation, which is what screen readers read there.
QString AnnouncedName(QWidget* widget) {
  QAccessibleInterface* accessible = Accessible(widget);
  if (accessible->role() != QAccessible::ComboBox) return accessible->text(QAccessible::Name);
  const auto labels = accessible->relations(QAccessible::Label);
  return labels.isEmpty() ? QString() : labels.front().first->text(QAccessible::Name);
}

}  // namespace

class AccessibleTest : public WindowTest {
 protected:
  void ExpectSpoken(bool bulgarian) {
    for (const Spoken& name : kNames) {
      EXPECT_EQ(AnnouncedName(Find<QWidget>(name.control)),
                QString::fromUtf8(bulgarian ? name.bulgarian : name.english))
          << name.control;
    }
    for (const Spoken& description : kDescriptions) {
      EXPECT_EQ(Accessible(Find<QWidget>(description.control))->text(QAccessible::Description),
                QString::fromUtf8(bulgarian ? description.bulgarian : description.english))
          << description.control;
    }
  }
};

TEST_F(AccessibleTest, EveryControlIsNamedInTheWindowsLanguage) {
  OpenWindow();
  std::set<std::string> named;
  for (const Spoken& name : kNames) named.insert(name.control);
  for (const QWidget* widget : window_->findChildren<QWidget*>()) {
    if (widget->window() == window_.get() && (widget->focusPolicy() & Qt::TabFocus)) {
      EXPECT_TRUE(named.contains(widget->objectName().toStdString()))
          << widget->objectName().toStdString();
    }
  }

  ExpectSpoken(false);
  Click("LangBG");
  ExpectSpoken(true);
  Click("LangEN");
  ExpectSpoken(false);
}

TEST_F(AccessibleTest, ConnectIsNamedAfterWhatItDoesNow) {
  StartPrinter(kFamily0Model);
  OpenWindow();
  Click("Connect");
  EXPECT_EQ(AnnouncedName(Find<QWidget>("Connect")), "Disconnect");
  Click("LangBG");
  EXPECT_EQ(AnnouncedName(Find<QWidget>("Connect")), "Разкачане");
  Click("Connect");
  EXPECT_EQ(AnnouncedName(Find<QWidget>("Connect")), "Connect");
}
