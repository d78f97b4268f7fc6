#include <QFile>
#include <QGridLayout>
#include <QList>
#include <QTest>

#include <gtest/gtest.h>

#include "column_fit.h"
#include "mainform.h"
#include "window_fixture.h"

namespace {

int ColumnOf(const TMainF& window) {
  return window.findChild<QGridLayout*>(QStringLiteral("communicationGrid"))->columnMinimumWidth(0);
}

// The kept file's lines: the conditions, then the width.
QList<QByteArray> Kept() {
  QFile file(DefaultColumnWidthFile());
  return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>{};
}

void Keep(const QByteArray& conditions, int width) {
  QFile file(DefaultColumnWidthFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(conditions + '\n' + QByteArray::number(width) + '\n');
}

TEST(ColumnFit, AStartTakesTheWidthTheLastOneMeasuredAndMeasuresAgainOnceShown) {
  QFile::remove(DefaultColumnWidthFile());
  int measured = 0;
  {
    const TMainF window;
    measured = ColumnOf(window);
    ASSERT_GT(measured, 0);
    ASSERT_EQ(Kept().size(), 3);
    EXPECT_EQ(Kept()[1].toInt(), measured);
  }
  const QByteArray conditions = Kept()[0];

  // A width kept for this program, style, font and screen is taken as it is, and put right
  // once the painted window has been measured again.
  Keep(conditions, measured + 40);
  {
    TMainF window;
    EXPECT_EQ(ColumnOf(window), measured + 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(WaitUntil([&] { return ColumnOf(window) == measured; }, 5000));
    EXPECT_EQ(Kept()[1].toInt(), measured);
    EXPECT_EQ(Kept()[0], conditions);
  }

  // One kept for anything else, or no number, is measured anew before the window shows.
  for (const auto& [otherConditions, width] :
       {std::pair{conditions + "|another font", measured + 40}, std::pair{conditions, -3}}) {
    Keep(otherConditions, width);
    const TMainF window;
    EXPECT_EQ(ColumnOf(window), measured);
    EXPECT_EQ(Kept()[0], conditions);
  }
}

}  // namespace
