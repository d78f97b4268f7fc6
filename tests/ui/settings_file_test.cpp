// The settings-file buttons: a file saved from one window selects the same entries in another,
// and what a file lacks or a disk refuses is said in the window's language.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "window_fixture.h"

namespace {

// The printer lists, with an entry other than the starting one in each.
const std::vector<std::pair<const char*, int>> kChosenEntries = {
    {"cbIntensity", 1},  {"cbSpeed", 2}, {"cbCountry", 9},  {"cbCodePage", 17},  {"cbNewBaud", 4},
    {"cbAutoCutter", 0}, {"cbPaper", 0}, {"cbProtocol", 1}, {"cbCommandSet", 1}, {"cbEsct", 1}};

struct Asked {
  FileDialogKind kind;
  QString caption;
  QString filter;
};

}  // namespace

class SettingsFileTest : public WindowTest {
 protected:
  // Opens a window whose file dialogs answer `file` in the test's folder.
  TMainF& OpenWindowChoosing(const QString& file) {
    seams_.fileDialog = [this, file](QWidget*, FileDialogKind kind, const QString& caption,
                                     const QString& filter) {
      asked_.push_back({kind, caption, filter});
      return dir_.filePath(file);
    };
    return OpenWindow();
  }
  QString Path(const QString& file) const { return dir_.filePath(file); }

  QTemporaryDir dir_;
  std::vector<Asked> asked_;
};

TEST_F(SettingsFileTest, SavedFromAConnectedWindowLoadsIntoAFreshOneNotConnected) {
  StartPrinter(kFamily1Model);
  OpenWindowChoosing("shop");
  Click("Connect");
  ASSERT_TRUE(Connected(*window_));
  for (const auto& [list, entry] : kChosenEntries) Select(list, entry);
  Click("SaveSettings");
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(asked_[0].kind, FileDialogKind::Save);
  EXPECT_EQ(asked_[0].caption, "Save settings");
  EXPECT_EQ(asked_[0].filter, "Printer settings (*.quillsetter)");
  // The name gets the extension, so that the Load dialog shows the file.
  const QString saved = Path("shop.quillsetter");
  ASSERT_TRUE(QFile::exists(saved));
  EXPECT_EQ(QSettings(saved, QSettings::IniFormat).value("Printer/Model"), kFamily1Model);

  OpenWindowChoosing("shop.quillsetter");
  Click("LoadSettings");
  ASSERT_EQ(asked_.size(), 2u);
  EXPECT_EQ(asked_[1].kind, FileDialogKind::Open);
  EXPECT_FALSE(Connected(*window_));
  for (const auto& [list, entry] : kChosenEntries) EXPECT_EQ(Selected(list), entry) << list;
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
}

TEST_F(SettingsFileTest, ValuesLeftUnreadAreNamedInOneMessageInTheWindowsLanguage) {
  Store("Language", 0);
  QFile file(Path("damaged.quillsetter"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Printer]\nSpeed=fast\nCountry=4\nCodePage=20\nPaper=0\n");
  file.close();
  OpenWindowChoosing("damaged.quillsetter");
  Select("cbSpeed", 1);
  Click("LoadSettings");

  EXPECT_EQ(asked_.at(0).caption, "Зареждане на настройки");
  EXPECT_EQ(asked_.at(0).filter, "Настройки на принтера (*.quillsetter)");
  EXPECT_EQ(Selected("cbCountry"), 4);
  EXPECT_EQ(Selected("cbPaper"), 0);
  EXPECT_EQ(Selected("cbSpeed"), 1);
  EXPECT_EQ(Selected("cbCodePage"), 0);
  EXPECT_EQ(Selected("cbIntensity"), 3);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_EQ(messages_[0],
            "Някои стойности във файла " + QDir::toNativeSeparators(file.fileName()) +
                " липсват или са невалидни; тези настройки остават непроменени: Intensity, "
                "Speed, CodePage, NewBaud, Autocutter, Protocol, Commandset, DsiableESCt.");
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadOrWrittenIsReportedAndChangesNothing) {
  OpenWindowChoosing("missing folder/shop.quillsetter");
  Select("cbCountry", 5);
  Click("LoadSettings");
  Click("SaveSettings");
  const QString shown = QDir::toNativeSeparators(Path("missing folder/shop.quillsetter"));
  EXPECT_EQ(messages_, QStringList({"The file " + shown +
                                        " could not be read as a printer settings file. Nothing "
                                        "was changed.",
                                    "The settings could not be saved to the file " + shown + "."}));
  EXPECT_EQ(Selected("cbCountry"), 5);
  EXPECT_TRUE(QDir(dir_.path()).isEmpty());
}

TEST_F(SettingsFileTest, AFileTooLargeForSettingsIsReportedAndChangesNothing) {
  OpenWindowChoosing("video.quillsetter");
  QFile large(Path("video.quillsetter"));
  ASSERT_TRUE(large.open(QIODevice::WriteOnly));
  large.write("[Printer]\nCountry=2\n" + QByteArray(qsizetype{65} * 1024, ';'));
  large.close();
  Select("cbCountry", 5);
  Click("LoadSettings");
  EXPECT_EQ(messages_, QStringList("The file " + QDir::toNativeSeparators(large.fileName()) +
                                   " is too large to be a printer settings file (over 64 KiB). "
                                   "Nothing was changed."));
  EXPECT_EQ(Selected("cbCountry"), 5);
}

// The file the program is started with goes the way of the one chosen in the Load dialog.
TEST_F(SettingsFileTest, AFileGivenAtStartIsLoadedAndReportedAsLoadDoesIt) {
  Store("Language", 0);
  QFile file(Path("shop.quillsetter"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Printer]\nCountry=4\nPaper=0\n");
  file.close();
  OpenWindowChoosing("unused");
  window_->LoadSettingsFile(file.fileName());
  EXPECT_EQ(Selected("cbCountry"), 4);
  EXPECT_EQ(Selected("cbPaper"), 0);
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].startsWith("Някои стойности във файла")) << messages_[0].toStdString();

  messages_.clear();
  Select("cbCountry", 5);
  window_->LoadSettingsFile(Path("missing.quillsetter"));
  EXPECT_EQ(messages_,
            QStringList("Файлът " + QDir::toNativeSeparators(Path("missing.quillsetter")) +
                        " не може да бъде прочетен като файл с настройки на принтера. "
                        "Нищо не е променено."));
  EXPECT_EQ(Selected("cbCountry"), 5);
  EXPECT_TRUE(asked_.empty());
}
