#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>

#include "preferences.h"
#include "system_language_probe.h"

int main(int argc, char** argv) {
  const QCoreApplication app(argc, argv);
  if (QCoreApplication::arguments().contains(kSystemLanguageProbe)) {
    std::puts(prefs::SystemUsesCyrillic() ? "cyrillic" : "other");
    return 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
