// The line rate a printer reads at, seen from a client that sets its rate on the pty.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "answering.h"
#include "printer.h"
#include "printer_models.h"
#include "pty_client.h"
#include "serial.h"
#include "virtual_printer.h"

namespace {

using vprinter::Options;
using vprinter::Reception;
using vprinter::VirtualPrinter;
using Bytes = std::vector<std::uint8_t>;

const Bytes kIdentify = {0x1B, 0x5A};
constexpr int kWaitMs = 3000;
// Long enough that a reply, had one been sent, would have arrived.
constexpr int kSilenceMs = 300;

Bytes Reply() {
  const auto reply = vprinter::ReplyForModel(kFamily1Model);
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
  VirtualPrinter printer(AnsweringAs(kFamily1Model, 19200));
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
  VirtualPrinter printer(AnsweringAs(kFamily1Model, 9600));
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

// DIP switches 1..3 set for a new-baud index, as the tool sends them.
bool SendBaudSwitches(PtyClient& client, int newBaudIndex,
                      const std::vector<int>& switches = {1, 2, 3}) {
  const auto bits = printer::DipBaudBits(newBaudIndex);
  Bytes bytes;
  for (const int k : switches) {
    const auto command = printer::EncodeDipSwitch(k, bits[static_cast<std::size_t>(k - 1)]);
    bytes.insert(bytes.end(), command.begin(), command.end());
  }
  return client.Write(bytes);
}

TEST(PowerCycle, ComesBackAtTheRateItsSwitchesGaveAndNotBefore) {
  VirtualPrinter printer(AnsweringAs(kFamily1Model, 9600));
  std::vector<bool> events;
  std::mutex mutex;
  printer.SetPowerListener([&](bool poweredOn) {
    std::lock_guard lock(mutex);
    events.push_back(poweredOn);
  });
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.SetLine(B9600));
  ASSERT_TRUE(SendBaudSwitches(client, 5));
  ASSERT_TRUE(printer.WaitForCommands(3, kWaitMs));
  // The switches take effect only at the next power-on.
  EXPECT_EQ(printer.LineBaud(), 9600u);
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), Reply());

  ASSERT_TRUE(printer.PowerCycle(1000));
  EXPECT_FALSE(printer.IsPoweredOn());
  std::size_t received = 14;
  for (const speed_t speed : {B9600, B38400}) {
    ASSERT_TRUE(client.SetLine(speed));
    ASSERT_TRUE(client.Write(kIdentify));
    received += 2;
    ASSERT_TRUE(printer.WaitForReceived(received, kWaitMs));
    EXPECT_EQ(printer.Chunks().back().reception, Reception::PoweredOff);
  }
  EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});
  EXPECT_EQ(printer.Commands().size(), 4u) << "nothing decoded while off";

  ASSERT_TRUE(printer.WaitForPoweredOn(true, kWaitMs));
  EXPECT_EQ(printer.LineBaud(), 38400u);
  ASSERT_TRUE(client.SetLine(B9600));
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});
  ASSERT_TRUE(printer.WaitForReceived(received + 2, kWaitMs));
  ASSERT_TRUE(client.SetLine(B38400));
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), Reply());
  std::lock_guard lock(mutex);
  EXPECT_EQ(events, (std::vector<bool>{false, true}));
}

TEST(PowerCycle, KeepsItsRateUnlessAllThreeSwitchesCameSinceTheLastCycle) {
  VirtualPrinter printer(AnsweringAs(kFamily1Model, 9600));
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.SetLine(B9600));
  ASSERT_TRUE(SendBaudSwitches(client, 7, {1, 2}));
  ASSERT_TRUE(printer.WaitForCommands(2, kWaitMs));
  ASSERT_TRUE(printer.PowerCycle(50));
  ASSERT_TRUE(printer.WaitForPoweredOn(true, kWaitMs));
  EXPECT_EQ(printer.LineBaud(), 9600u);
  // Switches 1 and 2 were forgotten with that power cycle.
  ASSERT_TRUE(SendBaudSwitches(client, 7, {3}));
  ASSERT_TRUE(printer.WaitForCommands(3, kWaitMs));
  ASSERT_TRUE(printer.PowerCycle(50));
  ASSERT_TRUE(printer.WaitForPoweredOn(true, kWaitMs));
  EXPECT_EQ(printer.LineBaud(), 9600u);
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), Reply());

  // A printer at any rate stays so until its switches give it one.
  printer.SetLineBaud(0);
  ASSERT_TRUE(printer.PowerCycle(50));
  ASSERT_TRUE(printer.WaitForPoweredOn(true, kWaitMs));
  EXPECT_EQ(printer.LineBaud(), 0u);
  ASSERT_TRUE(SendBaudSwitches(client, 0));
  ASSERT_TRUE(printer.WaitForCommands(7, kWaitMs));
  ASSERT_TRUE(printer.PowerCycle(50));
  ASSERT_TRUE(printer.WaitForPoweredOn(true, kWaitMs));
  EXPECT_EQ(printer.LineBaud(), 1200u);
}

}  // namespace
