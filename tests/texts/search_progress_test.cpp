// The search's progress over ports tried at once, in both languages.
#include <gtest/gtest.h>

#include "search_progress.h"

namespace {

TEST(SearchProgress, SaysHowManyPortsAreTriedAndWhichAreDoneInBothLanguages) {
  printer::PortsProgress progress;
  progress.portsTried = 3;
  EXPECT_EQ(texts::PortsProgressText(progress, InterfaceLanguage::English),
            "Trying 3 ports at once");
  EXPECT_EQ(texts::PortsProgressText(progress, InterfaceLanguage::Bulgarian),
            "Проверяват се 3 порта едновременно");
  progress.finished = {"COM2 — ttyS1", "shop %1:7000"};
  EXPECT_EQ(texts::PortsProgressText(progress, InterfaceLanguage::English),
            "Trying 3 ports at once; done: COM2 — ttyS1, shop %1:7000");
  EXPECT_EQ(texts::PortsProgressText(progress, InterfaceLanguage::Bulgarian),
            "Проверяват се 3 порта едновременно; готови: COM2 — ttyS1, shop %1:7000");
}

TEST(SearchProgress, OnePortSaysNothingMoreThanItsPortAndRate) {
  printer::PortsProgress progress;
  progress.portsTried = 1;
  EXPECT_TRUE(texts::PortsProgressText(progress, InterfaceLanguage::English).isEmpty());
  progress.portsTried = 0;
  EXPECT_TRUE(texts::PortsProgressText(progress, InterfaceLanguage::Bulgarian).isEmpty());
}

}  // namespace
