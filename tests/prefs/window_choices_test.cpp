#include <QAbstractButton>
#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <utility>

#include "folder_window_test.h"
#include "settings_folder.h"
#include "shown_text.h"
#include "window_state.h"

namespace {

QString ButtonText(const TMainF& window, const char* name) {
  return ShownText(window.findChild<QAbstractButton*>(name));
}

void Click(const TMainF& window, const char* name) {
  window.findChild<QAbstractButton*>(name)->click();
}

using StoredWindow = FolderWindowTest;

TEST_F(StoredWindow, ChoicesAndLanguageSurviveClosingAndReopening) {
  const std::pair<const char*, int> chosen[] = {
      {"cbPort", 4},    {"cbBaud", 3},     {"cbIntensity", 1},  {"cbSpeed", 2},
      {"cbCountry", 5}, {"cbCodePage", 7}, {"cbNewBaud", 2},    {"cbAutoCutter", 0},
      {"cbPaper", 0},   {"cbProtocol", 1}, {"cbCommandSet", 1}, {"cbEsct", 1}};
  {
    const auto window = Open();
    for (const auto& [name, index] : chosen) List(*window, name)->setCurrentIndex(index);
    Click(*window, "LangBG");
    Click(*window, "Exit");
    EXPECT_FALSE(window->isVisible());
  }
  {
    const auto window = Open();
    for (const auto& [name, index] : chosen) {
      EXPECT_EQ(List(*window, name)->currentIndex(), index) << name;
    }
    EXPECT_EQ(ShownLanguage(*window), 0);
    EXPECT_EQ(List(*window, "cbPaper")->currentText(), "Тясна (57mm)");
    EXPECT_EQ(ButtonText(*window, "Connect"), "Свързване");
    Click(*window, "LangEN");
    window->close();
  }
  const auto window = Open();
  EXPECT_EQ(ShownLanguage(*window), 1);
  EXPECT_EQ(List(*window, "cbPaper")->currentText(), "Narrow (57mm)");
  EXPECT_EQ(List(*window, "cbPort")->currentIndex(), 4);
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
}

TEST_F(StoredWindow, ASelectionOutsideItsListShowsNothingAndIsWrittenBackAsNone) {
  folder_.Write("[General]\nLanguage=1\nBaud=12\nPort=7\nSpeed=fast\nIntensity=2\n");
  {
    const auto window = Open();
    EXPECT_EQ(List(*window, "cbBaud")->currentIndex(), -1);
    EXPECT_EQ(List(*window, "cbPort")->currentIndex(), -1);
    EXPECT_EQ(List(*window, "cbSpeed")->currentIndex(), 0);
    EXPECT_EQ(List(*window, "cbIntensity")->currentIndex(), 2);
    window->close();
  }
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
  const auto values = folder_.Values();
  EXPECT_EQ(values.value("Baud"), "-1");
  EXPECT_EQ(values.value("Speed"), "0");
  EXPECT_EQ(values.value("Port"), "0");

  // A port written as none comes back as COM1.
  EXPECT_EQ(List(*Open(), "cbPort")->currentIndex(), 0);
}

TEST_F(StoredWindow, PortOutsideOneToEightSelectsComOneAndSevenOrEightNone) {
  for (const auto& [stored, index] : std::initializer_list<std::pair<QByteArray, int>>{
           {"9", 0}, {"0", 0}, {"7", -1}, {"8", -1}, {"6", 5}}) {
    const SettingsFolder folder;
    folder.Write("[General]\nPort=" + stored + "\n");
    EXPECT_EQ(List(*Open(), "cbPort")->currentIndex(), index) << "Port=" << stored.constData();
  }
}

TEST_F(StoredWindow, AnUnknownLanguageIsNotAppliedAndIsWrittenBack) {
  folder_.Write("[General]\nLanguage=5\n");
  {
    const auto window = Open();
    EXPECT_EQ(ShownLanguage(*window), -1);
    // The texts of the form description: nothing was written over them.
    EXPECT_EQ(ButtonText(*window, "Connect"), "Connect");
    EXPECT_EQ(List(*window, "cbEsct")->itemText(0), "Enabled");
    window->close();
  }
  EXPECT_EQ(folder_.Values().value("Language"), "5");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
}

}  // namespace
