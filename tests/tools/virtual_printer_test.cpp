#include "virtual_printer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "answering.h"
#include "pty_client.h"
#include "temp_dir.h"

namespace {

using vprinter::CommandKind;
using vprinter::Options;
using vprinter::VirtualPrinter;
using Bytes = std::vector<std::uint8_t>;

const Bytes kIdentify = {0x1B, 0x5A};
constexpr int kReplyWaitMs = 2000;
// Long enough that a reply, had one been sent, would have arrived.
constexpr int kSilenceMs = 300;

Bytes ReplyBytes(const vprinter::Reply& reply, std::size_t length = 32) {
  return {reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(length)};
}

TEST(ReplyForModel, NameFromByteZeroPaddedWithZeros) {
  const auto reply = vprinter::ReplyForModel("JOX");
  EXPECT_EQ(ReplyBytes(reply, 4), (Bytes{'J', 'O', 'X', 0}));
  EXPECT_EQ(std::count(reply.begin(), reply.end(), 0), 29);
  const auto cut = vprinter::ReplyForModel(std::string(40, 'x'));
  EXPECT_EQ(std::count(cut.begin(), cut.end(), 'x'), 32);
}

TEST(VirtualPrinter, AnswersIdentifyWithTheWholeReply) {
  VirtualPrinter printer(AnsweringAs("Tavrin MR2200T"));
  ASSERT_TRUE(printer.Start());
  EXPECT_TRUE(printer.DevicePath().starts_with("/dev/pts/"));
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.IsOpen());
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kReplyWaitMs), ReplyBytes(vprinter::ReplyForModel("Tavrin MR2200T")));
  EXPECT_EQ(client.Read(1, kSilenceMs), Bytes{});
  EXPECT_EQ(printer.IdentifyCount(), 1);
  EXPECT_EQ(printer.Received(), kIdentify);
}

TEST(VirtualPrinter, AnswersIdentifySplitAcrossWrites) {
  VirtualPrinter printer(AnsweringAs("QAV MR71C Printer"));
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.Write({0x1B}));
  ASSERT_TRUE(printer.WaitForReceived(1, kReplyWaitMs));
  EXPECT_EQ(client.Read(1, kSilenceMs), Bytes{});
  ASSERT_TRUE(client.Write({0x5A}));
  EXPECT_EQ(client.Read(32, kReplyWaitMs).size(), 32u);
  EXPECT_EQ(printer.Chunks().size(), 2u);
  EXPECT_EQ(printer.IdentifyCount(), 1);
}

TEST(VirtualPrinter, AnswersEveryIdentifyWhereverItFalls) {
  const auto reply = vprinter::ReplyForModel("Tavrin MR460V Printer");
  VirtualPrinter printer(AnsweringAs("Tavrin MR460V Printer"));
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  // Between settings commands, and twice in one write.
  ASSERT_TRUE(client.Write({0x1B, 0x59, 0x03, 0x1B, 0x5A, 0x1B, 0x54, 0x1B, 0x5A}));
  Bytes twice = ReplyBytes(reply);
  twice.insert(twice.end(), reply.begin(), reply.end());
  EXPECT_EQ(client.Read(64, kReplyWaitMs), twice);
  EXPECT_EQ(client.Read(1, kSilenceMs), Bytes{});
  const auto commands = printer.Commands();
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[0].kind, CommandKind::Intensity);
  EXPECT_EQ(commands[1].kind, CommandKind::Identify);
  EXPECT_EQ(commands[2].kind, CommandKind::Closing);
  EXPECT_EQ(commands[3].kind, CommandKind::Identify);
  EXPECT_EQ(printer.IdentifyCount(), 2);
}

TEST(VirtualPrinter, RepliesAndCommandsCrossThePtyUnchanged) {
  // Bytes a terminal would otherwise translate, swallow or echo: CR, LF, XON, XOFF, ^C, DEL.
  Options options;
  options.reply = {'A', 0x0D, 0x0A, 0x11, 0x13, 0x03, 0x7F, 0x04, 0x1A, 0xFF};
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  const Bytes sent = {0x0D, 0x0A, 0x11, 0x13, 0x03, 0x7F, 0x04, 0x1B, 0x5A};
  ASSERT_TRUE(client.Write(sent));
  EXPECT_EQ(client.Read(32, kReplyWaitMs), ReplyBytes(options.reply));
  EXPECT_EQ(client.Read(1, kSilenceMs), Bytes{});
  EXPECT_EQ(printer.Received(), sent);
}

TEST(VirtualPrinter, SilentShortAndStopAfter) {
  const auto reply = vprinter::ReplyForModel("Tavrin MR71C Printer");
  {
    Options options = AnsweringAs("Tavrin MR71C Printer");
    options.silent = true;
    VirtualPrinter printer(options);
    ASSERT_TRUE(printer.Start());
    PtyClient client(printer.DevicePath());
    ASSERT_TRUE(client.Write(kIdentify));
    EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});
    EXPECT_EQ(printer.IdentifyCount(), 1);
  }
  {
    Options options = AnsweringAs("Tavrin MR71C Printer");
    options.shortLength = 10;
    VirtualPrinter printer(options);
    ASSERT_TRUE(printer.Start());
    PtyClient client(printer.DevicePath());
    ASSERT_TRUE(client.Write(kIdentify));
    EXPECT_EQ(client.Read(32, kSilenceMs), ReplyBytes(reply, 10));
  }
  {
    Options options = AnsweringAs("Tavrin MR71C Printer");
    options.stopAfter = 2;
    VirtualPrinter printer(options);
    ASSERT_TRUE(printer.Start());
    PtyClient client(printer.DevicePath());
    for (int i = 0; i < 2; ++i) {
      ASSERT_TRUE(client.Write(kIdentify));
      EXPECT_EQ(client.Read(32, kReplyWaitMs), ReplyBytes(reply)) << "identify " << i;
    }
    ASSERT_TRUE(client.Write(kIdentify));
    EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});
    EXPECT_EQ(printer.IdentifyCount(), 3);
  }
}

TEST(VirtualPrinter, SilenceCanBeSwitchedWhileRunning) {
  VirtualPrinter printer(AnsweringAs("JOX MR71C Printer"));
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  printer.SetSilent(true);
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kSilenceMs), Bytes{});
  printer.SetSilent(false);
  ASSERT_TRUE(client.Write(kIdentify));
  EXPECT_EQ(client.Read(32, kReplyWaitMs).size(), 32u);
}

TEST(VirtualPrinter, StaysRawAndOpenableBetweenExclusiveOpeners) {
  Options options;
  options.reply = {'R', 0x0D, 0x13, 0x11, 'Z'};
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  for (int round = 0; round < 3; ++round) {
    PtyClient client(printer.DevicePath());
    ASSERT_TRUE(client.IsOpen()) << "round " << round;
    ASSERT_TRUE(client.Write(kIdentify));
    EXPECT_EQ(client.Read(32, kReplyWaitMs), ReplyBytes(options.reply)) << "round " << round;
  }
  EXPECT_EQ(printer.IdentifyCount(), 3);
}

TEST(VirtualPrinter, RecordsChunksWithArrivalTimes) {
  VirtualPrinter printer;
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.Write({0x1B, 0x3E, 0x00}));
  ASSERT_TRUE(printer.WaitForReceived(3, kReplyWaitMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_TRUE(client.Write({0x1B, 0x54}));
  ASSERT_TRUE(printer.WaitForCommands(2, kReplyWaitMs));
  const auto chunks = printer.Chunks();
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].bytes, (Bytes{0x1B, 0x3E, 0x00}));
  EXPECT_EQ(chunks[1].bytes, (Bytes{0x1B, 0x54}));
  EXPECT_GE(chunks[0].millis, 0);
  EXPECT_GE(chunks[1].millis - chunks[0].millis, 150);
  const auto commands = printer.Commands();
  EXPECT_EQ(commands[0].millis, chunks[0].millis);
  EXPECT_EQ(commands[1].millis, chunks[1].millis);

  printer.ClearReceived();
  EXPECT_TRUE(printer.Chunks().empty());
  EXPECT_TRUE(printer.Commands().empty());
  EXPECT_FALSE(printer.WaitForReceived(1, 50));
}

TEST(VirtualPrinter, ListenerHearsEveryCommandInOrder) {
  VirtualPrinter printer;
  std::mutex mutex;
  std::vector<std::string> heard;
  printer.SetCommandListener([&](const vprinter::DecodedCommand& command) {
    std::lock_guard lock(mutex);
    heard.push_back(command.Describe());
  });
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  ASSERT_TRUE(client.Write({0x1B, 0x52, 0x02, 0x1D, 0x29}));
  ASSERT_TRUE(client.Write({0x07, 0x01, 0x1B, 0x5A}));
  ASSERT_TRUE(printer.WaitForCommands(3, kReplyWaitMs));
  client.Read(32, kReplyWaitMs);
  printer.Stop();
  EXPECT_EQ(heard, (std::vector<std::string>{"country Germany", "DIP switch 7 = 1", "identify"}));
}

TEST(VirtualPrinter, LogHoldsOneJsonLinePerChunk) {
  TempDir dir;
  Options options;
  options.logPath = dir.File("received.jsonl");
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  {
    PtyClient client(printer.DevicePath());
    ASSERT_TRUE(client.Write({0x1B, 0x5A}));
    ASSERT_TRUE(printer.WaitForReceived(2, kReplyWaitMs));
    ASSERT_TRUE(client.Write({0x1D, 0x29, 0x06, 0xAB}));
    ASSERT_TRUE(printer.WaitForReceived(6, kReplyWaitMs));
  }
  printer.Stop();
  const auto chunks = printer.Chunks();
  ASSERT_EQ(chunks.size(), 2u);
  std::ifstream log(options.logPath);
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "{\"ms\":" + std::to_string(chunks[0].millis) + ",\"hex\":\"1b5a\"}",
                       "{\"ms\":" + std::to_string(chunks[1].millis) + ",\"hex\":\"1d2906ab\"}"}));
}

TEST(VirtualPrinter, LinkPointsAtTheDeviceUntilStop) {
  TempDir dir;
  Options options = AnsweringAs("Tavrin MR2200T");
  options.linkPath = dir.File("printer");
  VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  EXPECT_EQ(std::filesystem::read_symlink(options.linkPath).string(), printer.DevicePath());
  {
    PtyClient client(options.linkPath);
    ASSERT_TRUE(client.Write(kIdentify));
    EXPECT_EQ(client.Read(32, kReplyWaitMs).size(), 32u);
  }
  printer.Stop();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(options.linkPath)));
}

TEST(VirtualPrinter, LinkReplacesAStaleLinkButNoOtherFile) {
  TempDir dir;
  Options options;
  options.linkPath = dir.File("printer");
  std::filesystem::create_symlink("/dev/pts/no-such-device", options.linkPath);
  {
    VirtualPrinter printer(options);
    ASSERT_TRUE(printer.Start());
    EXPECT_EQ(std::filesystem::read_symlink(options.linkPath).string(), printer.DevicePath());
  }
  std::ofstream(options.linkPath) << "keep me";
  VirtualPrinter printer(options);
  EXPECT_FALSE(printer.Start());
  std::ifstream kept(options.linkPath);
  std::string content;
  std::getline(kept, content);
  EXPECT_EQ(content, "keep me");
}

TEST(VirtualPrinter, UnwritableLogFailsStart) {
  Options options;
  options.logPath = "/nonexistent-folder/received.jsonl";
  VirtualPrinter printer(options);
  EXPECT_FALSE(printer.Start());
  EXPECT_TRUE(printer.DevicePath().empty());
}

TEST(VirtualPrinter, StartsAgainAfterStopWithAFreshRecord) {
  VirtualPrinter printer(AnsweringAs("Tavrin MR2200T"));
  ASSERT_TRUE(printer.Start());
  {
    PtyClient client(printer.DevicePath());
    ASSERT_TRUE(client.Write({0x1B}));
    ASSERT_TRUE(printer.WaitForReceived(1, kReplyWaitMs));
  }
  printer.Stop();
  ASSERT_TRUE(printer.Start());
  PtyClient client(printer.DevicePath());
  // The ESC left over from before the restart does not pair with this Z.
  ASSERT_TRUE(client.Write({0x5A, 0x1B, 0x5A}));
  EXPECT_EQ(client.Read(32, kReplyWaitMs).size(), 32u);
  ASSERT_TRUE(printer.WaitForCommands(2, kReplyWaitMs));
  EXPECT_EQ(printer.Commands()[0].Describe(), R"(text "Z")");
  EXPECT_EQ(printer.IdentifyCount(), 1);
  EXPECT_EQ(printer.Received(), (Bytes{0x5A, 0x1B, 0x5A}));
}

}  // namespace
