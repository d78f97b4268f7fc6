// The faults the virtual printer causes on purpose, seen from a client on the pty.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "answering.h"
#include "printer.h"
#include "printer_models.h"
#include "pty_client.h"
#include "serial.h"
#include "temp_dir.h"
#include "virtual_printer.h"

namespace {

using vprinter::Options;
using vprinter::VirtualPrinter;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const Bytes kIdentify = {0x1B, 0x5A};
constexpr int kWaitMs = 3000;
constexpr int kSilenceMs = 300;

Bytes ReplyBytes(const vprinter::Reply& reply, std::size_t length = 32) {
  return {reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(length)};
}

Bytes Joined(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

long long MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// A Tserial on port 1, which leads to path.
struct Port {
  explicit Port(std::string path) {
    serial.SetDeviceResolver([path = std::move(path)](int) { return path; });
  }
  bool Open() { return serial.Open(1, 9600); }
  int Identify() { return serial.Write(kIdentify.data(), 2, printer::kTimeoutMs); }
  Bytes Read(int length) {
    Bytes bytes(static_cast<std::size_t>(length));
    bytes.resize(static_cast<std::size_t>(serial.Read(bytes.data(), length, printer::kTimeoutMs)));
    return bytes;
  }
  Tserial serial;
};

TEST(LineFaults, HangUpInTheReplyThenPlugInAtTheSameLink) {
  TempDir dir;
  Options options = AnsweringAs(kFamily1Model);
  options.hangUpAfterBytes = 10;
  options.linkPath = dir.File("printer");
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  const std::string firstDevice = printer.DevicePath();
  Port port(options.linkPath);
  ASSERT_TRUE(port.Open());
  ASSERT_EQ(port.Identify(), 2);
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(32), ReplyBytes(options.reply, 10));
  // The hang-up ends the read; it does not wait for the deadline.
  EXPECT_LT(MillisSince(start), 800);
  EXPECT_TRUE(printer.WaitForPluggedIn(false, kWaitMs));
  EXPECT_FALSE(Exists(firstDevice));
  EXPECT_FALSE(Exists(options.linkPath));
  EXPECT_EQ(port.Identify(), 0);
  EXPECT_FALSE(port.Open());

  ASSERT_TRUE(printer.PlugIn());
  EXPECT_TRUE(printer.IsPluggedIn());
  EXPECT_EQ(std::filesystem::read_symlink(options.linkPath).string(), printer.DevicePath());
  // The cut was for the first answer only.
  ASSERT_TRUE(port.Open());
  ASSERT_EQ(port.Identify(), 2);
  EXPECT_EQ(port.Read(32), ReplyBytes(options.reply));
  EXPECT_EQ(printer.IdentifyCount(), 2);
  EXPECT_TRUE(printer.PlugIn()) << "plugged in already";
  printer.Stop();
  EXPECT_FALSE(Exists(options.linkPath));
}

TEST(LineFaults, BackOnItsOwnAfterTheSetTime) {
  TempDir dir;
  Options options = AnsweringAs(kFamily1Model);
  options.hangUpAfterBytes = 0;
  options.backAfterMs = 400;
  options.linkPath = dir.File("printer");
  VirtualPrinter printer(options);
  std::vector<std::string> events;
  std::mutex mutex;
  printer.SetLineListener([&](const std::string& device) {
    std::lock_guard lock(mutex);
    events.push_back(device);
  });
  ASSERT_TRUE(printer.Start());
  PtyClient client(options.linkPath);
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), Bytes{});
  EXPECT_TRUE(client.HungUp());
  ASSERT_TRUE(printer.WaitForPluggedIn(false, kWaitMs));
  const auto down = Clock::now();
  ASSERT_TRUE(printer.WaitForPluggedIn(true, kWaitMs));
  EXPECT_GE(MillisSince(down), 300);
  Port port(options.linkPath);
  ASSERT_TRUE(port.Open());
  ASSERT_EQ(port.Identify(), 2);
  EXPECT_EQ(port.Read(32), ReplyBytes(options.reply));
  std::lock_guard lock(mutex);
  EXPECT_EQ(events, (std::vector<std::string>{"", printer.DevicePath()}));
}

TEST(LineFaults, HangUpAfterCommandsEndsASettingsSend) {
  Options options = AnsweringAs(kFamily1Model);
  options.hangUpAfterCommands = 4;
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  Port port(printer.DevicePath());
  ASSERT_TRUE(port.Open());
  // Connect and the liveness check are answered whole.
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(port.Identify(), 2);
    EXPECT_EQ(port.Read(32), ReplyBytes(options.reply)) << "identify " << i;
  }
  const auto block = printer::EncodeSettingsBlock(3, 1, 2, 15);
  ASSERT_EQ(port.serial.Write(block.data(), 12, printer::kTimeoutMs), 12);
  // Its second command is the fourth: the rest of the block arrived with it, unhandled.
  ASSERT_TRUE(printer.WaitForPluggedIn(false, kWaitMs));
  EXPECT_EQ(printer.Commands().size(), 6u);
  const auto end = printer::EncodeSettingsEnd();
  const auto start = Clock::now();
  EXPECT_EQ(port.serial.Write(end.data(), 3, printer::kTimeoutMs), 0);
  EXPECT_EQ(port.Read(32), Bytes{});
  EXPECT_LT(MillisSince(start), 800);
  EXPECT_EQ(printer.Commands().size(), 6u);
}

TEST(LineFaults, HangUpAfterTheIdentifyCommandSendsNoReply) {
  Options options = AnsweringAs(kFamily1Model);
  options.hangUpAfterCommands = 1;
  options.silent = true;
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), Bytes{});
  EXPECT_TRUE(client.HungUp());
  EXPECT_EQ(printer.IdentifyCount(), 1);
}

TEST(LineFaults, GarbageBeforeAndBytesAfterTheReply) {
  Options options = AnsweringAs(kFamily1Model);
  options.beforeReply = {0xAA, 0x00, 0x1B, 0x5A};
  options.afterReply = {0x13, 0x11, 0xFF};
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(client.Write(kIdentify));
    EXPECT_EQ(client.Read(39, kWaitMs),
              Joined(Joined(options.beforeReply, ReplyBytes(options.reply)), options.afterReply))
        << "answer " << i;
  }
  EXPECT_EQ(client.Read(1, kSilenceMs), Bytes{});
  // The garbage is not taken for a command the printer received.
  EXPECT_EQ(printer.IdentifyCount(), 2);
}

TEST(LineFaults, ByteExactReplyInFourPiecesAcceptedWithinTheDeadline) {
  Options options = AnsweringAs(kFamily1Model);
  const Bytes unused = {0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF, 0x0D, 0x0A, 0x13, 0x11, 0xFF};
  std::copy(unused.begin(), unused.end(), options.reply.begin() + printer::kModelNameLength);
  options.pieces = 4;
  options.pieceDelayMs = 200;
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  {
    Port port(printer.DevicePath());
    ASSERT_TRUE(port.Open());
    ASSERT_EQ(port.Identify(), 2);
    const auto start = Clock::now();
    const Bytes reply = port.Read(32);
    EXPECT_GE(MillisSince(start), 550);
    ASSERT_EQ(reply, ReplyBytes(options.reply));
    EXPECT_EQ(printer::Classify(printer::ModelNameFromReply(reply)), printer::kDipFamily);
  }
  // Each piece arrives on its own, 200 ms after the one before.
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.Write(kIdentify));
  const auto start = Clock::now();
  Bytes all;
  std::vector<long long> arrivals;
  for (int piece = 0; piece < 4; ++piece) {
    all = Joined(all, client.Read(8, kWaitMs));
    arrivals.push_back(MillisSince(start));
  }
  EXPECT_EQ(all, ReplyBytes(options.reply));
  for (std::size_t i = 1; i < arrivals.size(); ++i) {
    EXPECT_GE(arrivals[i] - arrivals[i - 1], 150) << "piece " << i;
  }
  EXPECT_EQ(client.Read(1, kSilenceMs), Bytes{});
}

TEST(LineFaults, PiecesCutByAHangUp) {
  Options options = AnsweringAs(kFamily1Model);
  options.pieces = 4;
  options.pieceDelayMs = 50;
  options.hangUpAfterBytes = 20;
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kWaitMs), ReplyBytes(options.reply, 20));
  EXPECT_TRUE(client.HungUp());
}

TEST(LineFaults, AFullQueueWhileThePrinterDoesNotRead) {
  VirtualPrinter printer(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(printer.Start());
  Port port(printer.DevicePath());
  ASSERT_TRUE(port.Open());
  printer.SetReading(false);
  Bytes sent(std::size_t{256} * 1024);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i * 7);
  const auto start = Clock::now();
  const int written = port.serial.Write(sent.data(), static_cast<int>(sent.size()), 300);
  const auto elapsed = MillisSince(start);
  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<int>(sent.size()));
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, 1500);
  EXPECT_TRUE(printer.Received().empty());
  // Reading again, the printer gets what the queue held, in order.
  printer.SetReading(true);
  ASSERT_TRUE(printer.WaitForReceived(static_cast<std::size_t>(written), kWaitMs));
  EXPECT_EQ(printer.Received(), Bytes(sent.begin(), sent.begin() + written));
}

TEST(LineFaults, SentUnaskedBytesWaitForTheClient) {
  VirtualPrinter printer(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(printer.Start());
  // Before the client opens: a stale line.
  const Bytes stale = {0x13, 0x00, 0xFF, 0x0D};
  ASSERT_TRUE(printer.Send(stale));
  {
    PtyClient client(printer.DevicePath());
    EXPECT_EQ(client.Read(8, kSilenceMs), stale);
  }
  Port port(printer.DevicePath());
  ASSERT_TRUE(port.Open());
  // An XOFF that is never followed by XON does not hold a raw line.
  ASSERT_TRUE(printer.Send(Bytes{0x13}));
  EXPECT_EQ(port.Read(1), Bytes{0x13});
  ASSERT_EQ(port.Identify(), 2);
  EXPECT_EQ(port.Read(32), ReplyBytes(vprinter::ReplyForModel(kFamily1Model)));
}

TEST(LineFaults, HangUpOnRequestAndWhatFailsWhileDown) {
  TempDir dir;
  Options options = AnsweringAs(kFamily1Model);
  options.linkPath = dir.File("printer");
  VirtualPrinter printer(options);
  EXPECT_FALSE(printer.HangUp()) << "not running";
  EXPECT_FALSE(printer.Send(Bytes{0x01}));
  ASSERT_TRUE(printer.Start());
  PtyClient client(options.linkPath);
  ASSERT_TRUE(client.IsOpen());
  ASSERT_TRUE(printer.HangUp());
  EXPECT_FALSE(printer.IsPluggedIn());
  EXPECT_EQ(client.Read(1, kWaitMs), Bytes{});
  EXPECT_TRUE(client.HungUp());
  EXPECT_FALSE(Exists(options.linkPath));
  EXPECT_FALSE(printer.Send(Bytes{0x01}));
  EXPECT_TRUE(printer.HangUp()) << "down already";
  ASSERT_TRUE(printer.PlugIn());
  PtyClient again(options.linkPath);
  ASSERT_TRUE(again.Write(kIdentify));
  EXPECT_EQ(again.Read(32, kWaitMs).size(), 32u);
}

}  // namespace
