// The line rate a printer reads at, seen from a client that sets its rate on the pty.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printer.h"
#include "pty_client.h"
#include "serial.h"
#include "virtual_printer.h"

namespace {

using vprinter::Options;
using vprinter::Reception;
using vprinter::VirtualPrinter;
using Bytes = std::vector<std::uint8_t>;

constexpr char kModel[] = "Tavrin MR460V Printer";
const Bytes kIdentify = {0x1B, 0x5A};
constexpr int kWaitMs = 3000;
// Long enough that a reply, had one been sent, would have arrived.
constexpr int kSilenceMs = 300;

Options AtBaud(std::uint32_t baud) {
  Options options;
  options.reply = vprinter::ReplyForModel(kModel);
  options.baud = baud;
  return options;
}

Bytes Reply() {
  const auto reply = vprinter::ReplyForModel(kModel);
  return {reply.begin(), reply.end()};
}

// One try of the tool: open the device at a rate, identify, read the answer.
Bytes IdentifyAt(Tserial& serial, const std::string& device, std::uint32_t baud) {
  if (!serial.OpenDevice(device, baud)) return {};
  if (serial.Write(kIdentify.data(), 2, printer::kTimeoutMs) != 2) return {};
  Bytes reply(32);
  reply.resize(static_cast<std::size_t>(serial.Read(reply.data(), 32, printer::kTimeoutMs)));
  return reply;
}

TEST(LineRate, AnswersOnlyAtItsRateAndRecordsWhatItCouldNotRead) {
  VirtualPrinter printer(AtBaud(19200));
  ASSERT_TRUE(printer.Start());
  EXPECT_EQ(printer.LineBaud(), 19200u);
  Tserial serial;
  for (const std::uint32_t baud : {9600u, 115200u}) {
    EXPECT_EQ(IdentifyAt(serial, printer.DevicePath(), baud), Bytes{}) << baud;
  }
  EXPECT_EQ(IdentifyAt(serial, printer.DevicePath(), 19200), Reply());

  const auto chunks = printer.Chunks();
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].baud, 9600u);
  EXPECT_EQ(chunks[0].reception, Reception::OtherRateOrFrame);
  EXPECT_EQ(chunks[1].baud, 115200u);
  EXPECT_EQ(chunks[1].reception, Reception::OtherRateOrFrame);
  EXPECT_EQ(chunks[2].baud, 19200u);
  EXPECT_EQ(chunks[2].reception, Reception::Read);
  EXPECT_EQ(printer.Received(), (Bytes{0x1B, 0x5A, 0x1B, 0x5A, 0x1B, 0x5A}));
  // Only the try at the right rate was decoded.
  EXPECT_EQ(printer.Commands().size(), 1u);
  EXPECT_EQ(printer.IdentifyCount(), 1);
}

TEST(LineRate, RateAndFrameChangesOnTheSameOpenPortAreSeen) {
  VirtualPrinter printer(AtBaud(9600));
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.IsOpen());
  ASSERT_TRUE(client.SetLine(B4800));
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});
  // Each chunk is judged by the rate the line has as it arrives.
  ASSERT_TRUE(printer.WaitForReceived(2, kWaitMs));
  ASSERT_TRUE(client.SetLine(B9600));
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), Reply());
  // The right rate with two stop bits is still garbled.
  ASSERT_TRUE(client.SetLine(B9600, true));
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});
  ASSERT_TRUE(printer.WaitForReceived(6, kWaitMs));
  // A command begun at the wrong rate does not continue at the right one.
  ASSERT_TRUE(client.SetLine(B2400));
  ASSERT_TRUE(client.Write({0x1B}));
  ASSERT_TRUE(printer.WaitForReceived(7, kWaitMs));
  ASSERT_TRUE(client.SetLine(B9600));
  ASSERT_TRUE(client.Write({0x5A}));
  ASSERT_TRUE(printer.WaitForCommands(2, kWaitMs));
  EXPECT_EQ(printer.Commands()[1].Describe(), R"(text "Z")");
  EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});

  std::vector<Reception> receptions;
  for (const auto& chunk : printer.Chunks()) receptions.push_back(chunk.reception);
  EXPECT_EQ(receptions, (std::vector<Reception>{Reception::OtherRateOrFrame, Reception::Read,
                                                Reception::OtherRateOrFrame,
                                                Reception::OtherRateOrFrame, Reception::Read}));

  // Set to any rate while running, it reads whatever the line is at.
  printer.SetLineBaud(0);
  ASSERT_TRUE(client.SetLine(B2400, true));
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), Reply());
}

TEST(LineRate, WithoutARateItAnswersAtAnyRate) {
  VirtualPrinter printer(AtBaud(0));
  ASSERT_TRUE(printer.Start());
  Tserial serial;
  for (const std::uint32_t baud : {1200u, 115200u}) {
    EXPECT_EQ(IdentifyAt(serial, printer.DevicePath(), baud), Reply()) << baud;
  }
  for (const auto& chunk : printer.Chunks()) EXPECT_EQ(chunk.reception, Reception::Read);
}

}  // namespace
