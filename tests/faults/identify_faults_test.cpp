// Faults in the answer to Connect's identify query as the window shows them, caused by the virtual
// printer on a real pty.
#include <QString>

#include "faults_fixture.h"
#include "temp_dir.h"

namespace {

// Connect writes ESC Z and reads 32 bytes, each with its own 1000 ms deadline.
constexpr long long kConnectBoundMs = 2 * 1000 + 500;

using IdentifyFaults = FaultTest;

TEST_F(IdentifyFaults, HangUpInTheReplyIsNoAnswerAndConnectWorksOnceThePrinterIsBack) {
  const TempDir folder;
  vprinter::Options dying = AnsweringAs(kFamily1Model);
  dying.hangUpAfterBytes = 10;
  dying.linkPath = folder.File("ttyPrinter");
  StartPrinter(dying);
  MapComOne(dying.linkPath);
  OpenWindow();

  EXPECT_LT(TimedClick("Connect"), kConnectBoundMs);
  EXPECT_EQ(messages_, QStringList{kNoAnswer});
  ExpectNotConnected("");

  // While the adapter is out the device is gone; the port left open by the failed attempt is
  // closed by this one.
  ASSERT_TRUE(printer_->WaitForPluggedIn(false, 2000));
  EXPECT_LT(TimedClick("Connect"), kConnectBoundMs);
  EXPECT_EQ(messages_,
            (QStringList{kNoAnswer, ConnectFailedBecause(QString::fromStdString(
                                        "There is no device at " + dying.linkPath + "."))}));
  ExpectNotConnected("");

  ASSERT_TRUE(printer_->PlugIn());
  Click("Connect");
  EXPECT_EQ(messages_.size(), 2);
  ExpectConnected(kFamily1Model, 1);
  EXPECT_EQ(printer_->IdentifyCount(), 2);
}

// Garbage the printer sends after the query is read as the start of its reply: the name moves
// along and is cut at 21 bytes. The other kinds of garbage, and the other faults of the answer,
// are the session's (tests/link/connect_outcomes_test.cpp).
TEST_F(IdentifyFaults, PrintableGarbageAheadOfTheReplyShiftsTheNameThatIsRead) {
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.beforeReply = {'#', '@'};
  StartPrinter(options);
  OpenWindow();
  EXPECT_LT(TimedClick("Connect"), kConnectBoundMs);
  EXPECT_EQ(messages_, QStringList{"This printer model (#@Tavrin MR460V Print) is not supported!"});
  ExpectNotConnected("");
}

}  // namespace
