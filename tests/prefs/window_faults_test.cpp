#include <QAbstractButton>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "folder_window_test.h"
#include "message_box_closer.h"
#include "settings_folder.h"
#include "shown_text.h"
#include "window_state.h"

namespace {

const QString kSaveFailed = "Failed saving preferences!";

QString ConnectText(const TMainF& window) {
  return ShownText(window.findChild<QAbstractButton*>("Connect"));
}

using DamagedSettings = FolderWindowTest;

TEST_F(DamagedSettings, AnUnreadableFileAppliesNoLanguageAndShowsNothing) {
  ASSERT_TRUE(QDir().mkpath(folder_.FilePath()));
  const MessageBoxCloser boxes;
  const auto window = Open();
  EXPECT_TRUE(boxes.Texts().isEmpty());
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
  EXPECT_EQ(ShownLanguage(*window), -1);
  EXPECT_EQ(ConnectText(*window), "Connect");
  EXPECT_EQ(List(*window, "cbBaud")->currentIndex(), 7);

  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(messages_, QStringList{kSaveFailed});
}

TEST_F(DamagedSettings, AStartWithAnUnreadableFileStillSavesOnceTheFaultIsGone) {
  ASSERT_TRUE(QDir().mkpath(folder_.FilePath()));
  const auto window = Open();
  ASSERT_TRUE(QDir().rmdir(folder_.FilePath()));
  List(*window, "cbIntensity")->setCurrentIndex(1);
  window->close();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
  EXPECT_EQ(folder_.Values().value("Language"), "-1");
  EXPECT_EQ(folder_.Values().value("Intensity"), "1");
}

TEST_F(DamagedSettings, AnUnparsableFileShowsTheLoadMessageThenAppliesTheLanguage) {
  folder_.Write("[General]\nLanguage=0\nBaud=3\nnot a setting\nPaper=0\n");
  const MessageBoxCloser boxes;
  {
    const auto window = Open();
    EXPECT_EQ(messages_, QStringList{"Failed loading preferences!"});
    EXPECT_EQ(ShownLanguage(*window), 0);
    EXPECT_EQ(ConnectText(*window), "Свързване");
    EXPECT_EQ(List(*window, "cbBaud")->currentIndex(), 3);
    EXPECT_EQ(List(*window, "cbPaper")->currentText(), "Тясна (57mm)");
    window->close();
  }
  EXPECT_EQ(messages_, QStringList{"Failed loading preferences!"}) << "nothing on closing";
  EXPECT_FALSE(folder_.Read().contains("not a setting"));

  const auto repaired = Open();
  EXPECT_EQ(messages_.size(), 1);
  EXPECT_TRUE(boxes.Texts().isEmpty());
  EXPECT_EQ(List(*repaired, "cbBaud")->currentIndex(), 3);
}

TEST_F(DamagedSettings, AnUnwritableFileShowsTheSaveMessageAndTheWindowStillCloses) {
  folder_.Write("[General]\nBaud=2\n");
  {
    const auto window = Open();
    ASSERT_TRUE(QFile::remove(folder_.FilePath()));
    ASSERT_TRUE(QDir().mkpath(folder_.FilePath()));
    window->close();
    EXPECT_FALSE(window->isVisible());
  }
  EXPECT_EQ(messages_, QStringList{kSaveFailed});

  const SettingsFolder fileAtFolder;
  const auto window = Open();
  QFile organisation(fileAtFolder.OrganisationPath());
  ASSERT_TRUE(organisation.open(QIODevice::WriteOnly));
  organisation.close();
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(messages_, (QStringList{kSaveFailed, kSaveFailed}));
}

}  // namespace
