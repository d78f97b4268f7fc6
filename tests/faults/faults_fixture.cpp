#include "faults_fixture.h"

#include <QElapsedTimer>
#include <QLineEdit>

long long FaultTest::TimedClick(const char* button) const {
  QElapsedTimer clock;
  clock.start();
  Click(button);
  return clock.elapsed();
}

void FaultTest::ExpectNotConnected(const QString& modelText) const {
  EXPECT_FALSE(Connected(*window_));
  EXPECT_EQ(ShownFamily(*window_), -1);
  EXPECT_FALSE(Shown("tabPrinterSettings"));
  EXPECT_FALSE(Shown("tabDIPSwitches"));
  for (const char* choice : {"cbPort", "lbPort", "cbBaud", "lbBaud"}) {
    EXPECT_TRUE(Find<QWidget>(choice)->isEnabled()) << choice;
  }
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), modelText);
}

void FaultTest::ExpectConnected(const QString& model, int family) const {
  EXPECT_TRUE(Connected(*window_));
  EXPECT_EQ(ShownFamily(*window_), family);
  EXPECT_EQ(Find<QLineEdit>("PrinterModel")->text(), model);
  EXPECT_TRUE(Shown("tabPrinterSettings"));
  EXPECT_EQ(Shown("tabDIPSwitches"), family == 1);
  EXPECT_FALSE(Find<QWidget>("cbPort")->isEnabled());
}

void FaultTest::MapComOne(const std::string& path) {
  Store("Ports/COM1", QString::fromStdString(path));
}
