// The installers' part of the window: the slip after a completed Set, the install log's line,
// and the code-page proof.
#include <QCheckBox>
#include <QTemporaryDir>

#include <algorithm>

#include "code_page_proof.h"
#include "install_log.h"
#include "window_fixture.h"

class InstallerTest : public WindowTest {};

TEST_F(InstallerTest, ACompletedSetPrintsTheSlipAndIsLogged) {
  StartPrinter(kFamily0Model);
  const QTemporaryDir folder;
  const QString log = folder.filePath("installs.jsonl");
  seams_.installLogPath = log;
  OpenWindow();
  Find<QCheckBox>("PrintSlip")->setChecked(true);
  Click("Connect");
  ASSERT_TRUE(Connected(*window_));
  printer_->ClearReceived();
  Click("Set");
  // The slip ends with a cut and ESC @ after the settings' closing command.
  const Bytes tail = {0x1D, 0x56, 0x42, 0x00, 0x1B, 0x40};
  ASSERT_TRUE(WaitUntil(
      [&] {
        const Bytes got = printer_->Received();
        return got.size() > tail.size() && Bytes(got.end() - 6, got.end()) == tail;
      },
      3000));
  const auto commands = printer_->Commands();
  EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [](const auto& command) {
    return command.kind == printer::CommandKind::Closing;
  }));
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();

  const auto records = prefs::ReadInstallLog(log);
  ASSERT_TRUE(records.has_value());
  ASSERT_EQ(records->records.size(), 1u);
  const QJsonObject& record = records->records.front();
  EXPECT_EQ(record["model"].toString(), kFamily0Model);
  EXPECT_EQ(record["result"].toString(), "configured");
  EXPECT_EQ(record["baud_after"].toInt(), 115200);
  EXPECT_EQ(record["settings"].toObject()["Intensity"].toInt(), 3);
  window_->close();
  EXPECT_EQ(Stored("PrintSlip").toInt(), 1);
}

TEST_F(InstallerTest, CodePagesPrintsTheTextInEveryPageAndChangesNothing) {
  StartPrinter(kFamily0Model);
  QString suggested;
  seams_.question = [&](QWidget*, const QString&, const QString&, const QString& text) {
    suggested = text;
    return QStringLiteral("Abc");
  };
  OpenWindow();
  Click("Connect");
  printer_->ClearReceived();
  Click("CodePages");
  EXPECT_EQ(suggested, "The quick brown fox jumps over the lazy dog");
  Bytes expected;
  for (const auto& step : printer::BuildCodePageProof("Abc")) {
    expected.insert(expected.end(), step.bytes.begin(), step.bytes.end());
  }
  EXPECT_EQ(ReceivedAtLeast(expected.size()), expected);
  EXPECT_TRUE(Connected(*window_));
  EXPECT_TRUE(messages_.isEmpty());
}
