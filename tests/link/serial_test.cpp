// Tserial against the virtual printer on the far end of a real pseudo-terminal.
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "child_program.h"
#include "serial_line.h"

namespace {

using namespace serial_test;

// Whether another program can open the port, tried while this one holds it or not.
bool ChildCanOpen(const std::string& device) { return RunChild({"open", device}).status == 0; }

TEST(SerialOpen, FailsWithoutDeviceOrForBadPortOrRate) {
  Tserial serial;
  PointAt(serial, {"/dev/quillsetter-no-such-tty"});
  EXPECT_FALSE(serial.Open(kPort, 9600));
  EXPECT_FALSE(serial.IsOpen());
  EXPECT_EQ(serial.BaudRate(), 9600u);

  Line line;
  ASSERT_TRUE(line.started);
  line.serial.SetDeviceResolver([&](int) { return line.printer.DevicePath(); });
  EXPECT_FALSE(line.serial.Open(0, 9600));
  EXPECT_FALSE(line.serial.Open(-1, 9600));
  EXPECT_FALSE(line.serial.Open(kPort, 12345));
  EXPECT_FALSE(line.serial.IsOpen());
  EXPECT_EQ(DescriptorsOn(line.printer.DevicePath()), 1) << "only the printer's own";
}

TEST(SerialOpen, DeviceDefaultsToTtySWhenTheResolverHasNone) {
  EXPECT_EQ(ComDevice(1, {}), "/dev/ttyS0");
  const Tserial::DeviceResolver map = [](int port) {
    return port == 1 ? std::string("/dev/pts/9") : std::string();
  };
  EXPECT_EQ(ComDevice(1, map), "/dev/pts/9");
  EXPECT_EQ(ComDevice(3, map), "/dev/ttyS2");
}

TEST(SerialOpen, SetsRawEightNoneOneAndCloseRestoresTheLine) {
  Line line;
  ASSERT_TRUE(line.started);
  CookedLine slave(line.printer.DevicePath());
  ASSERT_TRUE(slave.Cooked());
  const termios cooked = slave.Settings();
  ASSERT_TRUE(line.serial.Open(kPort, 19200));

  const termios open = slave.Settings();
  EXPECT_EQ(open.c_iflag & (IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                            IXOFF | IXANY | IMAXBEL),
            0u);
  EXPECT_EQ(open.c_oflag & OPOST, 0u);
  EXPECT_EQ(open.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(open.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(open.c_cflag & (PARENB | CSTOPB | CRTSCTS | HUPCL), 0u);
  EXPECT_EQ(open.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(open.c_cc[VMIN], 0);
  EXPECT_EQ(open.c_cc[VTIME], 0);
  EXPECT_EQ(cfgetispeed(&open), static_cast<speed_t>(B19200));
  EXPECT_EQ(cfgetospeed(&open), static_cast<speed_t>(B19200));

  line.serial.Close();
  const termios closed = slave.Settings();
  EXPECT_EQ(closed.c_iflag, cooked.c_iflag);
  EXPECT_EQ(closed.c_oflag, cooked.c_oflag);
  EXPECT_EQ(closed.c_lflag, cooked.c_lflag);
  EXPECT_EQ(closed.c_cflag, cooked.c_cflag);
  EXPECT_EQ(closed.c_cc[VMIN], cooked.c_cc[VMIN]);
  EXPECT_EQ(cfgetospeed(&closed), static_cast<speed_t>(B2400));
}

TEST(SerialOpen, ReopenReleasesTheFirstHandle) {
  Line line;
  vprinter::VirtualPrinter other(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(line.started && other.Start());
  const std::string device = line.printer.DevicePath();
  PointAt(line.serial, {device, other.DevicePath()});
  Tserial rival;
  PointAt(rival, {device});
  const int before = DescriptorsOn(device);

  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  EXPECT_FALSE(rival.Open(kPort, 9600)) << "the port is held";
  ASSERT_TRUE(line.serial.Open(kPort, 115200)) << "the held port must be let go first";
  EXPECT_EQ(DescriptorsOn(device), before + 1);

  ASSERT_TRUE(line.serial.Open(2, 9600));
  EXPECT_EQ(DescriptorsOn(device), before);
  EXPECT_TRUE(rival.Open(kPort, 9600));
}

TEST(SerialOpen, AnotherProcessCannotOpenAHeldPort) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  EXPECT_FALSE(ChildCanOpen(line.printer.DevicePath()));
  line.serial.Close();
  EXPECT_TRUE(ChildCanOpen(line.printer.DevicePath()));
}

TEST(SerialOpen, AnOpenFromTheWaitHookLetsTheOldPortGoAndEndsTheWait) {
  vprinter::Options silent = AnsweringAs(kFamily1Model);
  silent.silent = true;
  Line line(silent);
  vprinter::VirtualPrinter other(AnsweringAs(kFamily1Model));
  ASSERT_TRUE(line.started && other.Start());
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  bool reopened = false;
  line.serial.SetWaitHook([&] {
    reopened = reopened || line.serial.OpenDevice(other.DevicePath(), 9600);
    return true;
  });
  std::array<std::uint8_t, 32> reply{};
  const auto start = Clock::now();
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 2000), 0);
  EXPECT_LT(MillisSince(start), 1000) << "the wait on the old port ended";
  ASSERT_TRUE(reopened);
  EXPECT_EQ(DescriptorsOn(line.printer.DevicePath()), 1) << "only the printer's own";
  line.serial.SetWaitHook({});
  ASSERT_TRUE(line.serial.IsOpen()) << "the new port stays open";
  EXPECT_EQ(line.SendIdentify(), 2);
  EXPECT_EQ(line.serial.Read(reply.data(), 32, printer::kTimeoutMs), 32);
  EXPECT_EQ(other.IdentifyCount(), 1);
}

TEST(SerialClosed, ResultsWithoutTouchingTheDevice) {
  Line line;
  ASSERT_TRUE(line.started);
  std::array<std::uint8_t, 4> bytes{0x1B, 0x5A, 0x1B, 0x5A};
  EXPECT_EQ(line.serial.Write(bytes.data(), 4, 1000), -1);
  EXPECT_EQ(line.serial.Write(nullptr, 4, 1000), 0);
  const auto start = Clock::now();
  EXPECT_EQ(line.serial.Read(bytes.data(), 4, 5000), 0);
  EXPECT_LT(MillisSince(start), 1000) << "a closed port does not wait";

  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  EXPECT_EQ(line.serial.Write(nullptr, 4, 1000), 0);
  line.serial.Close();
  EXPECT_FALSE(line.serial.IsOpen());
  EXPECT_EQ(line.serial.Write(bytes.data(), 4, 1000), -1);
  EXPECT_FALSE(line.printer.WaitForReceived(1, 200));
}

TEST(SerialTransfer, IdentifyExchange) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  EXPECT_EQ(line.SendIdentify(), 2);

  vprinter::Reply reply{};
  ASSERT_EQ(line.serial.Read(reply.data(), 32, printer::kTimeoutMs), 32);
  EXPECT_EQ(reply, vprinter::ReplyForModel(kFamily1Model));
  EXPECT_EQ(line.printer.IdentifyCount(), 1);
  EXPECT_EQ(printer::Classify(printer::ModelNameFromReply(reply)), printer::kDipFamily);
}

TEST(SerialTransfer, FullWriteArrivesCompleteAndReturnsItsLength) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 115200));
  std::vector<std::uint8_t> bytes(200);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);

  EXPECT_EQ(line.serial.Write(bytes.data(), static_cast<int>(bytes.size()), 1000), 200);
  ASSERT_TRUE(line.printer.WaitForReceived(bytes.size(), 1000));
  EXPECT_EQ(line.printer.Received(), bytes);
}

TEST(SerialTransfer, SilentPrinterReadReturnsZeroAfterTheTimeout) {
  vprinter::Options silent = AnsweringAs(kFamily1Model);
  silent.silent = true;
  Line line(silent);
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);

  std::array<std::uint8_t, 32> reply{};
  const auto start = Clock::now();
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 1000), 0);
  const long long elapsed = MillisSince(start);
  EXPECT_GE(elapsed, 1000);
  EXPECT_LT(elapsed, 3000);
}

TEST(SerialTransfer, ShortReplyGivesItsCountAtTheDeadline) {
  vprinter::Options shortReply = AnsweringAs(kFamily1Model);
  shortReply.shortLength = 10;
  Line line(shortReply);
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);

  vprinter::Reply reply{};
  const auto start = Clock::now();
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 500), 10);
  const long long elapsed = MillisSince(start);
  EXPECT_GE(elapsed, 500);
  EXPECT_LT(elapsed, 2500);
  const vprinter::Reply expected = vprinter::ReplyForModel(kFamily1Model);
  EXPECT_TRUE(std::equal(reply.begin(), reply.begin() + 10, expected.begin()));
}

TEST(SerialTransfer, TimeoutZeroStillReadsWhatIsWaiting) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  std::array<std::uint8_t, 32> reply{};
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 0), 0);

  ASSERT_EQ(line.SendIdentify(), 2);
  ASSERT_TRUE(line.printer.WaitForReceived(2, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 0), 32);
}

// XON, XOFF, CR, LF, NUL and 0xFF (which parity marking doubles and stripping cuts to 0x7F), in
// both orders after the name.
TEST(SerialTransfer, ControlBytesSurviveBothWays) {
  const std::array<std::uint8_t, 6> control{0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF};
  vprinter::Reply sent = vprinter::ReplyForModel(kFamily1Model);
  std::copy(control.begin(), control.end(), sent.begin() + 21);
  std::copy(control.rbegin(), control.rend() - 1, sent.begin() + 27);
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.reply = sent;
  Line line(options);
  ASSERT_TRUE(line.started);
  CookedLine slave(line.printer.DevicePath());
  ASSERT_TRUE(slave.Cooked());
  ASSERT_TRUE(line.serial.Open(kPort, 9600));

  ASSERT_EQ(line.serial.Write(control.data(), 6, 1000), 6);
  ASSERT_TRUE(line.printer.WaitForReceived(6, 1000));
  EXPECT_EQ(line.printer.Received(), std::vector<std::uint8_t>(control.begin(), control.end()));

  ASSERT_EQ(line.SendIdentify(), 2);
  vprinter::Reply received{};
  ASSERT_EQ(line.serial.Read(received.data(), 32, 1000), 32);
  EXPECT_EQ(received, sent);
}

TEST(SerialTransfer, VanishedDeviceEndsReadAndWriteAtOnce) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  line.printer.Stop();

  std::array<std::uint8_t, 32> buffer{};
  auto start = Clock::now();
  EXPECT_EQ(line.serial.Read(buffer.data(), 32, 3000), 0);
  EXPECT_LT(MillisSince(start), 1500);
  start = Clock::now();
  EXPECT_EQ(line.serial.Write(buffer.data(), 32, 3000), 0);
  EXPECT_LT(MillisSince(start), 1500);
}

}  // namespace
