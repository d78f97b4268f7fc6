// Tserial::DiscardInput on a real pty: what has arrived goes, what comes after stays.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "serial_line.h"

namespace {

using namespace serial_test;

TEST(DiscardInput, DropsWhatHasArrivedAndKeepsTheAnswerThatFollows) {
  vprinter::Options chatty = AnsweringAs(kFamily1Model);
  chatty.afterReply = std::vector<std::uint8_t>(40, 0x55);
  Line line(chatty);
  ASSERT_TRUE(line.started);
  EXPECT_FALSE(line.serial.DiscardInput()) << "a closed port has nothing to drop";
  ASSERT_TRUE(line.serial.Open(kPort, 9600));

  ASSERT_TRUE(line.printer.Send(std::vector<std::uint8_t>(100, 0xA5)));
  EXPECT_TRUE(line.serial.DiscardInput());
  std::uint8_t byte = 0;
  EXPECT_EQ(line.serial.Read(&byte, 1, 200), 0);

  for (int query = 0; query < 2; ++query) {
    // The second answer comes after the 40 bytes left behind by the first.
    EXPECT_TRUE(line.serial.DiscardInput());
    ASSERT_EQ(line.SendIdentify(), 2);
    vprinter::Reply received{};
    EXPECT_EQ(line.serial.Read(received.data(), 32, printer::kTimeoutMs), 32);
    EXPECT_EQ(received, chatty.reply) << "answer " << query + 1;
  }
}

TEST(DiscardInput, FailsOnADeviceThatHasGone) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_TRUE(line.printer.HangUp());
  EXPECT_FALSE(line.serial.DiscardInput());
  EXPECT_TRUE(line.serial.IsOpen()) << "the port stays open until it is closed";
}

}  // namespace
