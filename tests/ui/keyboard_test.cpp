// Using the window with the keyboard alone: Tab order, mnemonics, the flags and focus frames.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "window_fixture.h"

namespace {

const Bytes kIdentify = {0x1B, 0x5A};

QString Focused() {
  const QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName() : QString();
}

}  // namespace

class KeyboardTest : public WindowTest {
 protected:
  // Opens the window and makes it the active one, so that keys reach it.
  TMainF& OpenActive() {
    TMainF& window = OpenWindow();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    return window;
  }

  // A button pressed by its letter is drawn pressed this long before it clicks.
  static constexpr int kClickShownMs = 100;

  void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
  // Alt with a letter of any alphabet, as the keyboard layout of that alphabet sends it.
  void PressAlt(char16_t letter) {
    const QChar character(letter);
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(),
                        static_cast<Qt::Key>(character.toUpper().unicode()), QString(character),
                        Qt::AltModifier);
  }

  // The controls focused by pressing the key once per control of the cycle, from the first.
  QStringList Walk(const QStringList& cycle, Qt::Key key) {
    Find<QWidget>(cycle.front().toLatin1().constData())->setFocus();
    QStringList visited;
    for (qsizetype i = 0; i < cycle.size(); ++i) {
      Press(key);
      visited << Focused();
    }
    return visited;
  }
};

struct TabCase {
  const char* state;
  const char* model;  // nullptr: not connected
  QStringList cycle;
};

void PrintTo(const TabCase& tab, std::ostream* out) { *out << tab.state; }

class TabOrder : public KeyboardTest, public testing::WithParamInterface<TabCase> {};

// Hidden groups, and the lists and buttons disabled in a state, are passed over.
TEST_P(TabOrder, TabAndShiftTabVisitEveryShownControlInOrder) {
  if (GetParam().model) StartPrinter(GetParam().model);
  OpenActive();
  if (GetParam().model) {
    Click("Connect");
    ASSERT_TRUE(Connected(*window_));
  }
  const QStringList& cycle = GetParam().cycle;
  QStringList forward = cycle.mid(1);
  forward << cycle.front();
  EXPECT_EQ(Walk(cycle, Qt::Key_Tab), forward);

  QStringList backward = cycle;
  std::reverse(backward.begin(), backward.end());
  backward.removeLast();
  backward << cycle.front();
  EXPECT_EQ(Walk(cycle, Qt::Key_Backtab), backward);
}

INSTANTIATE_TEST_SUITE_P(
    States, TabOrder,
    testing::Values(TabCase{"not connected",
                            nullptr,
                            {"cbPort", "cbBaud", "Connect", "Find", "PrinterModel", "Exit",
                             "LoadSettings", "SaveSettings", "PrintSlip", "LangBG", "LangEN"}},
                    TabCase{"family 0",
                            kFamily0Model,
                            {"Connect", "PrinterModel", "cbIntensity", "cbSpeed", "cbCountry",
                             "cbCodePage", "TestPage", "Set", "Exit", "CodePages", "LoadSettings",
                             "SaveSettings", "PrintSlip", "LangBG", "LangEN"}},
                    TabCase{"family 1",
                            kFamily1Model,
                            {"Connect",      "PrinterModel", "cbIntensity", "cbSpeed",
                             "cbCountry",    "cbCodePage",   "cbNewBaud",   "cbProtocol",
                             "cbCommandSet", "cbAutoCutter", "cbPaper",     "cbEsct",
                             "TestPage",     "Set",          "Exit",        "CodePages",
                             "LoadSettings", "SaveSettings", "PrintSlip",   "LangBG",
                             "LangEN"}}));

TEST_F(KeyboardTest, FocusStartsOnThePortList) {
  OpenActive();
  EXPECT_EQ(Focused(), "cbPort");
}

TEST_F(KeyboardTest, AltLettersPressConnectSetAndExit) {
  StartPrinter(kFamily0Model);
  TMainF& window = OpenActive();
  QSignalSpy finished(&window, &TMainF::Finished);

  // Set is disabled before a connection: its letter sends nothing.
  PressAlt(u's');
  QTest::qWait(kClickShownMs * 3);
  EXPECT_TRUE(printer_->Received().empty());

  PressAlt(u'c');
  ASSERT_TRUE(QTest::qWaitFor([&] { return Connected(window); }));
  EXPECT_EQ(ReceivedAtLeast(2), kIdentify);
  printer_->ClearReceived();

  PressAlt(u's');
  // Identify, the settings block, the settings end and the closing command.
  EXPECT_TRUE(QTest::qWaitFor([this] { return printer_->Received().size() >= 19; }));
  const Bytes sent = printer_->Received();
  EXPECT_EQ(sent.size(), 19u);
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + std::min<std::size_t>(2, sent.size())), kIdentify);

  PressAlt(u'd');
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Connected(window); }));
  PressAlt(u'e');
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
  EXPECT_EQ(finished.count(), 1);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("|").toStdString();
}

TEST_F(KeyboardTest, ConnectKeepsALetterInBulgarian) {
  StartPrinter(kFamily0Model);
  Store("Language", 0);
  TMainF& window = OpenActive();
  PressAlt(u'с');  // "Свързване"
  ASSERT_TRUE(QTest::qWaitFor([&] { return Connected(window); }));
  // The caption of a connection is English until the language is applied again.
  Click("LangBG");
  PressAlt(u'р');  // "Разкачане"
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Connected(window); }));
}

TEST_F(KeyboardTest, SettingsFileButtonsHaveALetterInEachLanguage) {
  std::vector<FileDialogKind> asked;
  // Each dialog is cancelled.
  seams_.fileDialog = [&](QWidget*, FileDialogKind kind, const QString&, const QString&) {
    asked.push_back(kind);
    return QString();
  };
  OpenActive();
  const auto pressed = [&](char16_t letter) {
    asked.clear();
    PressAlt(letter);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !asked.empty(); })) << char(letter);
    return asked;
  };
  using Kinds = std::vector<FileDialogKind>;
  EXPECT_EQ(pressed(u'l'), Kinds{FileDialogKind::Open});
  EXPECT_EQ(pressed(u'v'), Kinds{FileDialogKind::Save});
  Click("LangBG");
  EXPECT_EQ(pressed(u'н'), Kinds{FileDialogKind::Open});  // "Зареждане на настройки…"
  EXPECT_EQ(pressed(u'з'), Kinds{FileDialogKind::Save});  // "Запис на настройките…"
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(KeyboardTest, FlagsAreReachedWithTabAndPressedWithSpaceOrEnter) {
  OpenActive();
  Find<QWidget>("PrintSlip")->setFocus();
  Press(Qt::Key_Tab);
  ASSERT_EQ(Focused(), "LangBG");
  Press(Qt::Key_Space);
  EXPECT_EQ(ShownLanguage(*window_), 0);
  EXPECT_EQ(Find<QLabel>("lbPort")->text(), "Сериен порт:");

  Press(Qt::Key_Tab);
  ASSERT_EQ(Focused(), "LangEN");
  Press(Qt::Key_Return);
  EXPECT_EQ(ShownLanguage(*window_), 1);
  EXPECT_EQ(Find<QLabel>("lbPort")->text(), "COM port:");
  Click("LangBG");
  Press(Qt::Key_Enter);
  EXPECT_EQ(ShownLanguage(*window_), 1);
}

TEST_F(KeyboardTest, EnterPressesTheFocusedButton) {
  StartPrinter(kFamily0Model);
  TMainF& window = OpenActive();
  Find<QWidget>("Connect")->setFocus();
  Press(Qt::Key_Return);
  ASSERT_TRUE(Connected(window));
  Press(Qt::Key_Space);
  EXPECT_FALSE(Connected(window));
  Find<QWidget>("Exit")->setFocus();
  Press(Qt::Key_Enter);
  EXPECT_FALSE(window.isVisible());
}

// A flag shows its picture edge to edge: only a frame of its own tells that it has the focus.
TEST_F(KeyboardTest, TheFocusedFlagIsFramedInTheHighlightColour) {
  OpenActive();
  const auto edge = [this](const char* name) {
    auto* flag = Find<QToolButton>(name);
    return flag->grab().toImage().pixelColor(0, flag->height() / 2);
  };
  const QColor highlight = window_->palette().color(QPalette::Highlight);
  const QColor unfocused = edge("LangBG");
  EXPECT_NE(unfocused, highlight);

  Find<QWidget>("LangBG")->setFocus();
  EXPECT_EQ(edge("LangBG"), highlight);
  EXPECT_EQ(edge("LangEN"), unfocused);
  Find<QWidget>("LangEN")->setFocus();
  EXPECT_EQ(edge("LangBG"), unfocused);
  EXPECT_EQ(edge("LangEN"), highlight);
}
