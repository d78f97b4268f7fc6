// Faults in the answer to Connect's identify query, caused by the virtual printer on a real pty.
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "faults_fixture.h"
#include "serial_line.h"
#include "temp_dir.h"

namespace {

// Connect writes ESC Z and reads 32 bytes, each with its own 1000 ms deadline.
constexpr long long kConnectBoundMs = 2 * 1000 + 500;

vprinter::Options Answering(const char* model) {
  vprinter::Options options;
  options.reply = vprinter::ReplyForModel(model);
  return options;
}

using IdentifyFaults = FaultTest;

TEST_F(IdentifyFaults, HangUpInTheReplyIsNoAnswerAndConnectWorksOnceThePrinterIsBack) {
  const TempDir folder;
  vprinter::Options dying = Answering(kFamily1Model);
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

// Noise that reached the port before Connect is dropped when the port opens.
TEST_F(IdentifyFaults, NoiseBeforeTheQueryIsDropped) {
  StartPrinter(kFamily0Model);
  OpenWindow();
  const std::vector<std::uint8_t> noise(100, 0xA5);
  ASSERT_TRUE(printer_->Send(noise));
  Click("Connect");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  ExpectConnected(kFamily0Model, 0);
}

struct Garbage {
  const char* label;
  std::vector<std::uint8_t> before;
  const char* model;
  // The message Connect shows; empty when the printer is accepted.
  QString message;
};

void PrintTo(const Garbage& garbage, std::ostream* out) { *out << garbage.label; }

class GarbageAheadOfTheReply : public FaultTest, public testing::WithParamInterface<Garbage> {};

// Garbage the printer sends after the query is read as the start of its reply: the name moves
// along, and what is left of it after the 21-byte cut decides.
TEST_P(GarbageAheadOfTheReply, ShiftsTheNameThatIsRead) {
  vprinter::Options options = Answering(GetParam().model);
  options.beforeReply = GetParam().before;
  StartPrinter(options);
  OpenWindow();
  EXPECT_LT(TimedClick("Connect"), kConnectBoundMs);
  if (GetParam().message.isEmpty()) {
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
    ExpectConnected(QString(GetParam().model).trimmed(), 2);
  } else {
    EXPECT_EQ(messages_, QStringList{GetParam().message});
    ExpectNotConnected("");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GarbageAheadOfTheReply,
    testing::Values(
        Garbage{"printable",
                {'#', '@'},
                kFamily1Model,
                "This printer model (#@Tavrin MR460V Print) is not supported!"},
        Garbage{
            "zero bytes", {0x00, 0x00}, kFamily1Model, "This printer model () is not supported!"},
        Garbage{"a whole reply of it", std::vector<std::uint8_t>(40, 0xE9), kFamily1Model,
                "This printer model (" + QString(21, QChar(0xE9)) + ") is not supported!"},
        // Control bytes and blanks are trimmed off the name like padding.
        Garbage{"line ends", {0x0D, 0x0A, 0x20}, kFamily2Model, ""}),
    [](const testing::TestParamInfo<Garbage>& info) {
      std::string name = info.param.label;
      for (char& c : name) c = c == ' ' ? '_' : c;
      return name;
    });

// Bytes that a terminal in cooked mode would eat or change (XON, XOFF, CR, LF) and NUL and 0xFF
// around the name: the port is raw, so the reply arrives whole.
TEST_F(IdentifyFaults, ControlBytesInTheReplyAreAcceptedOnAFormerlyCookedLine) {
  const struct {
    const char* model;
    int family;
  } cases[] = {{kFamily0Model, 0}, {kFamily2Model, 2}};
  for (const auto& [model, family] : cases) {
    vprinter::Options options = Answering(model);
    const std::vector<std::uint8_t> controls = {0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF,
                                                0x11, 0x13, 0x0D, 0x0A, 0xFF};
    std::copy(controls.begin(), controls.end(), options.reply.begin() + 21);
    // After the 14-letter name: control bytes that trimming removes, before the cut at 21.
    if (family == 2) {
      const std::vector<std::uint8_t> trailer = {0x0D, 0x0A, 0x11, 0x13, 0x00, 0xFF};
      std::copy(trailer.begin(), trailer.end(), options.reply.begin() + 14);
    }
    StartPrinter(options);
    const serial_test::CookedLine cooked(printer_->DevicePath());
    ASSERT_TRUE(cooked.Cooked());
    OpenWindow();
    Click("Connect");
    EXPECT_TRUE(messages_.isEmpty()) << model << ": " << messages_.join('|').toStdString();
    ExpectConnected(model, family);
    window_.reset();
    printer_->Stop();
  }
}

TEST_F(IdentifyFaults, ReplyInFourPiecesTwoHundredMsApartIsAccepted) {
  vprinter::Options slow = Answering(kFamily1Model);
  slow.pieces = 4;
  slow.pieceDelayMs = 200;
  StartPrinter(slow);
  OpenWindow();
  const long long took = TimedClick("Connect");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
  ExpectConnected(kFamily1Model, 1);
  EXPECT_GE(took, 550) << "the last piece comes 600 ms after the first";
  EXPECT_LT(took, kConnectBoundMs);
}

// The last of four pieces 400 ms apart comes after the read's deadline.
TEST_F(IdentifyFaults, ReplyStillArrivingAtTheDeadlineIsNoAnswer) {
  vprinter::Options slow = Answering(kFamily1Model);
  slow.pieces = 4;
  slow.pieceDelayMs = 400;
  StartPrinter(slow);
  OpenWindow();
  const long long took = TimedClick("Connect");
  EXPECT_EQ(messages_, QStringList{kNoAnswer});
  ExpectNotConnected("");
  EXPECT_GE(took, 1000);
  EXPECT_LT(took, kConnectBoundMs);
}

}  // namespace
