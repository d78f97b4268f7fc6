// What Connect makes of each supported model and of each fault in the answer to the identify
// query, at the printer session that the window and the command line share; the window keeps one
// scenario of each outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "serial_line.h"
#include "session.h"

namespace {

using namespace serial_test;
using printer::ConnectOutcome;

// Connect writes ESC Z and reads 32 bytes, each with its own 1000 ms deadline.
constexpr long long kConnectBoundMs = 2 * 1000 + 500;

struct Connection {
  printer::ConnectResult result;
  long long tookMs = 0;
};

Connection ConnectTo(const vprinter::VirtualPrinter& printer) {
  Tserial serial;
  printer::Session session(serial);
  const Clock::time_point start = Clock::now();
  Connection connection;
  connection.result = session.Connect(printer.DevicePath(), 9600);
  connection.tookMs = MillisSince(start);
  return connection;
}

TEST(ConnectOutcomes, EverySupportedModelConnectsWithItsFamily) {
  for (const PrinterModel& model : kSupportedModels) {
    vprinter::VirtualPrinter printer(AnsweringAs(model.name));
    ASSERT_TRUE(printer.Start());
    const Connection connection = ConnectTo(printer);
    EXPECT_EQ(connection.result.outcome, ConnectOutcome::Connected) << model.name;
    // A reply carries 21 bytes of the name: "Tavrin MR2200K Printe".
    EXPECT_EQ(connection.result.model, std::string(model.name).substr(0, 21));
    EXPECT_EQ(connection.result.family, model.family) << model.name;
  }
  // Blanks after the name are padding.
  vprinter::VirtualPrinter padded(AnsweringAs("Tavrin MR2200T  "));
  ASSERT_TRUE(padded.Start());
  EXPECT_EQ(ConnectTo(padded).result.model, "Tavrin MR2200T");
}

// Noise that reached the port before Connect is dropped when the port opens.
TEST(ConnectOutcomes, NoiseBeforeTheQueryIsDropped) {
  vprinter::VirtualPrinter printer(AnsweringAs(kFamily0Model));
  ASSERT_TRUE(printer.Start());
  ASSERT_TRUE(printer.Send(std::vector<std::uint8_t>(100, 0xA5)));
  const Connection connection = ConnectTo(printer);
  EXPECT_EQ(connection.result.outcome, ConnectOutcome::Connected);
  EXPECT_EQ(connection.result.model, kFamily0Model);
  EXPECT_EQ(connection.result.family, 0);
}

struct Garbage {
  const char* label;
  std::vector<std::uint8_t> before;
  const char* model;
  ConnectOutcome outcome;
  std::string name;  // the name read
};

// Garbage the printer sends after the query is read as the start of its reply: the name moves
// along, and what is left of it after the 21-byte cut decides.
TEST(ConnectOutcomes, GarbageAheadOfTheReplyShiftsTheNameThatIsRead) {
  const Garbage cases[] = {
      {"printable",
       {'#', '@'},
       kFamily1Model,
       ConnectOutcome::Unsupported,
       "#@Tavrin MR460V Print"},
      {"zero bytes", {0x00, 0x00}, kFamily1Model, ConnectOutcome::Unsupported, ""},
      {"a whole reply of it", std::vector<std::uint8_t>(40, 0xE9), kFamily1Model,
       ConnectOutcome::Unsupported, std::string(21, '\xE9')},
      // Control bytes and blanks are trimmed off the name like padding.
      {"line ends", {0x0D, 0x0A, 0x20}, kFamily2Model, ConnectOutcome::Connected, kFamily2Model},
  };
  for (const Garbage& garbage : cases) {
    vprinter::Options options = AnsweringAs(garbage.model);
    options.beforeReply = garbage.before;
    vprinter::VirtualPrinter printer(options);
    ASSERT_TRUE(printer.Start());
    const Connection connection = ConnectTo(printer);
    EXPECT_LT(connection.tookMs, kConnectBoundMs) << garbage.label;
    EXPECT_EQ(connection.result.outcome, garbage.outcome) << garbage.label;
    EXPECT_EQ(connection.result.model, garbage.name) << garbage.label;
  }
}

// Bytes that a terminal in cooked mode would eat or change (XON, XOFF, CR, LF) and NUL and 0xFF
// around the name: the port is raw, so the reply arrives whole.
TEST(ConnectOutcomes, ControlBytesInTheReplyAreAcceptedOnAFormerlyCookedLine) {
  for (const char* model : {kFamily0Model, kFamily2Model}) {
    vprinter::Options options = AnsweringAs(model);
    const std::vector<std::uint8_t> controls = {0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF,
                                                0x11, 0x13, 0x0D, 0x0A, 0xFF};
    std::copy(controls.begin(), controls.end(), options.reply.begin() + 21);
    // After the 14-letter name: control bytes that trimming removes, before the cut at 21.
    if (model == kFamily2Model) {
      const std::vector<std::uint8_t> trailer = {0x0D, 0x0A, 0x11, 0x13, 0x00, 0xFF};
      std::copy(trailer.begin(), trailer.end(), options.reply.begin() + 14);
    }
    vprinter::VirtualPrinter printer(options);
    ASSERT_TRUE(printer.Start());
    const CookedLine cooked(printer.DevicePath());
    ASSERT_TRUE(cooked.Cooked());
    const Connection connection = ConnectTo(printer);
    EXPECT_EQ(connection.result.outcome, ConnectOutcome::Connected) << model;
    EXPECT_EQ(connection.result.model, model);
  }
}

// A reply in four pieces 200 ms apart is accepted; the last of four pieces 400 ms apart comes
// after the read's deadline.
TEST(ConnectOutcomes, AReplyInPiecesCountsIfItsLastPieceComesBeforeTheDeadline) {
  const struct {
    int pieceDelayMs;
    ConnectOutcome outcome;
    long long leastMs;  // the last piece comes three delays after the first
  } cases[] = {{200, ConnectOutcome::Connected, 550}, {400, ConnectOutcome::NoAnswer, 1000}};
  for (const auto& slow : cases) {
    vprinter::Options options = AnsweringAs(kFamily1Model);
    options.pieces = 4;
    options.pieceDelayMs = slow.pieceDelayMs;
    vprinter::VirtualPrinter printer(options);
    ASSERT_TRUE(printer.Start());
    const Connection connection = ConnectTo(printer);
    EXPECT_EQ(connection.result.outcome, slow.outcome) << slow.pieceDelayMs;
    if (slow.outcome == ConnectOutcome::Connected) {
      EXPECT_EQ(connection.result.family, 1);
    }
    EXPECT_GE(connection.tookMs, slow.leastMs) << slow.pieceDelayMs;
    EXPECT_LT(connection.tookMs, kConnectBoundMs) << slow.pieceDelayMs;
  }
}

}  // namespace
