// Switching the interface between Bulgarian and English.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "shown_text.h"
#include "window_fixture.h"

namespace {

struct Caption {
  const char* control;
  const char* english;
  const char* bulgarian;
};

const std::vector<Caption> kCaptions = {
    {"tabCommunicationSettings", "Communication Settings", "Комуникационни настройки"},
    {"lbPort", "COM port:", "Сериен порт:"},
    {"lbBaud", "Baudrate:", "Серийна скорост:"},
    {"Connect", "Connect", "Свързване"},
    {"lbPrinterModel", "Printer model:", "Модел на принтера:"},
    {"tabPrinterSettings", "Printer Settings", "Настройки на принтера"},
    {"lbIntensity", "Printing Intensity:", "Интензитет на печат:"},
    {"lbSpeed", "Printing Speed:", "Скорост на печат:"},
    {"lbCountry", "Country:", "Страна:"},
    {"lbCodePage", "Codepage:", "Кодова страница:"},
    {"tabDIPSwitches", "DIP Switches", "Електронни ключета"},
    {"lbNewBaud", "Baudrate:", "Нова серийна скорост:"},
    {"lbAutoCutter", "AutoCutter:", "Отрязване на хартията:"},
    {"lbPaper", "Paper Size:", "Размер на хартията:"},
    {"lbProtocol", "Serial Protocol:", "Комуникационен протокол:"},
    {"lbCommandSet", "Commandset:", "Команден протокол:"},
    {"lbEsct", "ESC t Command:", "ESC t команда:"},
};

struct ListEntries {
  const char* list;
  QStringList english;
  QStringList bulgarian;
};

// The COM entries of a machine without serial ports.
QStringList ComEntries(const char* nothingThere) {
  QStringList entries;
  for (int number = 1; number <= 6; ++number) {
    entries << QStringLiteral("COM%1 — ").arg(number) + QString::fromUtf8(nothingThere);
  }
  return entries;
}

const std::vector<ListEntries> kListEntries = {
    {"cbPort", ComEntries("not present"), ComEntries("няма устройство")},
    {"cbAutoCutter", {"Disabled", "Enabled"}, {"Забранено", "Разрешено"}},
    {"cbPaper", {"Narrow (57mm)", "Wide (80mm)"}, {"Тясна (57mm)", "Широка (80mm)"}},
    {"cbCommandSet", {"Standard", "Extended"}, {"Стандартен", "Разширен"}},
    {"cbEsct", {"Disabled", "Enabled"}, {"Забранена", "Разрешена"}},
};

QString CaptionOf(const QWidget* widget) {
  if (const auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  return ShownText(qobject_cast<const QAbstractButton*>(widget));
}

}  // namespace

class LanguageTest : public WindowTest {
 protected:
  void ExpectLanguage(bool bulgarian) {
    for (const Caption& caption : kCaptions) {
      EXPECT_EQ(CaptionOf(Find<QWidget>(caption.control)),
                QString::fromUtf8(bulgarian ? caption.bulgarian : caption.english))
          << caption.control;
    }
    for (const ListEntries& list : kListEntries) {
      EXPECT_EQ(Entries(list.list), bulgarian ? list.bulgarian : list.english) << list.list;
    }
  }
  bool InColour(const char* flag) { return ::InColour(Find<QToolButton>(flag)); }

  // Lists that read the same in both languages.
  QStringList Unchanged() {
    QStringList all;
    for (const char* list : {"cbBaud", "cbIntensity", "cbSpeed", "cbCountry", "cbCodePage",
                             "cbNewBaud", "cbProtocol"}) {
      all << Entries(list);
    }
    return all << window_->windowTitle() << Find<QPushButton>("Set")->text()
               << Find<QPushButton>("Exit")->text();
  }
};

TEST_F(LanguageTest, FlagsSwitchEveryTextAndKeepTheSelections) {
  OpenWindow();
  ExpectLanguage(false);
  EXPECT_EQ(ShownLanguage(*window_), 1);
  EXPECT_FALSE(InColour("LangBG"));
  EXPECT_TRUE(InColour("LangEN"));
  Select("cbEsct", 1);
  Select("cbPaper", 0);
  const QStringList unchanged = Unchanged();

  Click("LangBG");
  ExpectLanguage(true);
  EXPECT_EQ(ShownLanguage(*window_), 0);
  EXPECT_TRUE(InColour("LangBG"));
  EXPECT_FALSE(InColour("LangEN"));
  EXPECT_EQ(Selected("cbEsct"), 1);
  EXPECT_EQ(Find<QComboBox>("cbEsct")->currentText(), "Разрешена");
  EXPECT_EQ(Selected("cbPaper"), 0);
  EXPECT_EQ(Unchanged(), unchanged);

  Click("LangBG");
  ExpectLanguage(true);
  Click("LangEN");
  ExpectLanguage(false);
  EXPECT_EQ(Find<QComboBox>("cbEsct")->currentText(), "Enabled");
  EXPECT_EQ(Unchanged(), unchanged);
  Click("Exit");
  EXPECT_EQ(Stored("Language").toInt(), 1);
}

TEST_F(LanguageTest, ConnectCaptionFollowsTheConnectionWhenTheLanguageIsApplied) {
  StartPrinter(kFamily0Model);
  OpenWindow();
  Click("Connect");
  Click("LangBG");
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Разкачане");
  Click("Connect");
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Connect");
  Click("LangBG");
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Свързване");
}

TEST_F(LanguageTest, StoredBulgarianIsAppliedAtStart) {
  Store("Language", 0);
  OpenWindow();
  ExpectLanguage(true);
  EXPECT_TRUE(InColour("LangBG"));
  EXPECT_FALSE(InColour("LangEN"));
}

TEST_F(LanguageTest, UnknownStoredLanguageKeepsTheFormTextsAndIsStoredBack) {
  Store("Language", 5);
  OpenWindow();
  EXPECT_EQ(ShownLanguage(*window_), -1);
  EXPECT_EQ(ShownText(Find<QPushButton>("Connect")), "Connect");
  EXPECT_EQ(Find<QLabel>("lbPrinterModel")->text(), "Printer Model:");
  EXPECT_EQ(Find<QLabel>("lbCodePage")->text(), "Code Page:");
  EXPECT_EQ(Entries("cbEsct"), QStringList({"Enabled", "Disabled"}));
  EXPECT_TRUE(InColour("LangBG"));
  EXPECT_TRUE(InColour("LangEN"));
  Click("Exit");
  EXPECT_EQ(Stored("Language").toInt(), 5);
}
