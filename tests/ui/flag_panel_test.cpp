#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "flag_panel.h"
#include "mainform.h"

namespace {

// The window without any flag focused, with the Bulgarian one focused, pressed, after the focus
// moved to the English one and after it left the flags.
std::vector<QImage> WindowStates(bool sheetAllAlong) {
  TMainF window;
  auto* panel = window.findChild<QFrame*>("Panel2");
  // The panel would take its sheet away when the focus leaves the flags: it is put back.
  const auto keepSheet = [&] {
    if (sheetAllAlong && panel->styleSheet().isEmpty())
      panel->setStyleSheet(QString::fromLatin1(FlagPanel::kFocusedFlagSheet));
  };
  const auto focus = [&](QWidget* widget) {
    widget->setFocus();
    keepSheet();
    // A framed flag is a pixel narrower: the layout follows once events are handled.
    QApplication::processEvents();
  };
  keepSheet();
  window.show();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* bulgarian = window.findChild<QToolButton*>("LangBG");
  auto* connect = window.findChild<QWidget*>("Connect");
  std::vector<QImage> shots;
  focus(connect);
  EXPECT_EQ(panel->styleSheet().isEmpty(), !sheetAllAlong);
  shots.push_back(window.grab().toImage());
  focus(bulgarian);
  shots.push_back(window.grab().toImage());
  bulgarian->setDown(true);
  shots.push_back(window.grab().toImage());
  bulgarian->setDown(false);
  focus(window.findChild<QToolButton*>("LangEN"));
  shots.push_back(window.grab().toImage());
  focus(connect);
  EXPECT_EQ(panel->styleSheet().isEmpty(), !sheetAllAlong);
  shots.push_back(window.grab().toImage());
  window.close();
  return shots;
}

}  // namespace

TEST(FlagPanel, FramesTheFocusedFlagAsAStyleSheetInPlaceAllAlongWould) {
  const std::vector<QImage> expected = WindowStates(true);
  const std::vector<QImage> shown = WindowStates(false);
  ASSERT_EQ(shown.size(), expected.size());
  for (std::size_t state = 0; state < shown.size(); ++state) {
    EXPECT_TRUE(shown[state] == expected[state]) << "state " << state;
  }
  // The comparison saw the frame come and go.
  EXPECT_FALSE(shown[0] == shown[1]);
  EXPECT_TRUE(shown[0] == shown[4]);
}
