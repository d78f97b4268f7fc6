#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include "late_window_icon.h"

namespace {

QIcon RedSquare() {
  QPixmap square(16, 16);
  square.fill(Qt::red);
  return {square};
}

void ProcessEventsFor(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds) QApplication::processEvents();
}

class LateWindowIcon : public testing::Test {
 protected:
  void SetUp() override { QApplication::setWindowIcon(QIcon()); }
  void TearDown() override { QApplication::setWindowIcon(QIcon()); }
};

}  // namespace

TEST_F(LateWindowIcon, ComesAfterTheFirstPaint) {
  QWidget window;
  const TLateWindowIcon icon(window, RedSquare);
  window.show();
  EXPECT_TRUE(QApplication::windowIcon().isNull());
  // Well within the wait for a paint that does not come.
  ProcessEventsFor(50);
  EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(LateWindowIcon, ComesAtOnceForAnotherWindowShownFirst) {
  QWidget window;
  const TLateWindowIcon icon(window, RedSquare);
  QWidget message;
  message.show();
  EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(LateWindowIcon, ComesWithoutAPaintForAShownWindowAndNeverForAClosedOne) {
  QWidget shown;
  const TLateWindowIcon shownIcon(shown, RedSquare);
  shown.setAttribute(Qt::WA_DontShowOnScreen);
  shown.show();
  QWidget closed;
  const TLateWindowIcon closedIcon(closed, [] {
    ADD_FAILURE() << "a closed window got an icon";
    return QIcon();
  });
  closed.show();
  closed.repaint();
  closed.close();
  ProcessEventsFor(400);
  EXPECT_FALSE(QApplication::windowIcon().isNull());
}
