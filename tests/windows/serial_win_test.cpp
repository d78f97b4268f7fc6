// Run under Wine by run.sh: COM5 leads to a virtual printer reporting kModel, COM6 to a
// silent one, COM7 to one whose reply carries XON, XOFF, CR, LF, NUL and 0xFF, COM8 to one that
// answers only the first identify, and COM9 to nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <thread>

#include "printer.h"
#include "serial.h"

namespace {

constexpr char kModel[] = "Tavrin MR2200T";
constexpr int kPrinterPort = 5;
constexpr int kSilentPort = 6;
constexpr int kControlPort = 7;
constexpr int kAnswersOncePort = 8;
constexpr int kMissingPort = 9;

using Clock = std::chrono::steady_clock;

long long MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(WinSerial, IdentifyExchangeWithThePrinter) {
  Tserial port;
  ASSERT_TRUE(port.Open(kPrinterPort, 9600));
  EXPECT_TRUE(port.IsOpen());
  const printer::Identify identify = printer::EncodeIdentify();
  EXPECT_EQ(port.Write(identify.data(), static_cast<int>(identify.size()), printer::kTimeoutMs),
            static_cast<int>(identify.size()));

  std::array<std::uint8_t, printer::kIdentifyReplyLength> reply{};
  ASSERT_EQ(port.Read(reply.data(), printer::kIdentifyReplyLength, printer::kTimeoutMs),
            printer::kIdentifyReplyLength);
  EXPECT_EQ(printer::ModelNameFromReply(reply), kModel);
  EXPECT_EQ(printer::Classify(printer::ModelNameFromReply(reply)), 2);
}

// Wine does not apply share mode 0 to devices, so a second opener cannot be refused here; a
// reopen still has to work and answer.
TEST(WinSerial, ReopenAnswersAgain) {
  Tserial port;
  ASSERT_TRUE(port.Open(kPrinterPort, 9600));
  ASSERT_TRUE(port.Open(kPrinterPort, 19200));
  EXPECT_EQ(port.BaudRate(), 19200u);
  const printer::Identify identify = printer::EncodeIdentify();
  ASSERT_EQ(port.Write(identify.data(), static_cast<int>(identify.size()), printer::kTimeoutMs),
            static_cast<int>(identify.size()));
  std::array<std::uint8_t, printer::kIdentifyReplyLength> reply{};
  EXPECT_EQ(port.Read(reply.data(), printer::kIdentifyReplyLength, printer::kTimeoutMs),
            printer::kIdentifyReplyLength);
}

TEST(WinSerial, ControlBytesArriveUnchanged) {
  constexpr std::array<std::uint8_t, 6> kControl{0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF};
  std::array<std::uint8_t, printer::kIdentifyReplyLength> expected{};
  std::copy(std::begin(kModel), std::end(kModel) - 1, expected.begin());
  std::copy(kControl.begin(), kControl.end(), expected.begin() + sizeof kModel - 1);
  std::copy(kControl.begin(), kControl.end(), expected.end() - kControl.size());

  Tserial port;
  ASSERT_TRUE(port.Open(kControlPort, 9600));
  const printer::Identify identify = printer::EncodeIdentify();
  ASSERT_EQ(port.Write(identify.data(), static_cast<int>(identify.size()), printer::kTimeoutMs),
            static_cast<int>(identify.size()));
  std::array<std::uint8_t, printer::kIdentifyReplyLength> reply{};
  ASSERT_EQ(port.Read(reply.data(), printer::kIdentifyReplyLength, printer::kTimeoutMs),
            printer::kIdentifyReplyLength);
  EXPECT_EQ(reply, expected);
}

TEST(WinSerial, OpenDropsAStaleReply) {
  const printer::Identify identify = printer::EncodeIdentify();
  Tserial port;
  ASSERT_TRUE(port.Open(kAnswersOncePort, 9600));
  ASSERT_EQ(port.Write(identify.data(), static_cast<int>(identify.size()), printer::kTimeoutMs),
            static_cast<int>(identify.size()));
  // The answer arrives and is left unread.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(port.Open(kAnswersOncePort, 9600));

  ASSERT_EQ(port.Write(identify.data(), static_cast<int>(identify.size()), printer::kTimeoutMs),
            static_cast<int>(identify.size()));
  std::array<std::uint8_t, printer::kIdentifyReplyLength> reply{};
  EXPECT_EQ(port.Read(reply.data(), printer::kIdentifyReplyLength, 500), 0);
}

TEST(WinSerial, ClosedPortResults) {
  Tserial port;
  std::array<std::uint8_t, 4> bytes{1, 2, 3, 4};
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.BaudRate(), 0u);
  EXPECT_EQ(port.Write(bytes.data(), 4, 1000), -1);
  EXPECT_EQ(port.Write(nullptr, 4, 1000), 0);
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(bytes.data(), 4, 5000), 0);
  EXPECT_LT(MillisSince(start), 1000);
}

TEST(WinSerial, SilentReadReturnsZeroAfterTheTimeout) {
  Tserial port;
  ASSERT_TRUE(port.Open(kSilentPort, 115200));
  std::array<std::uint8_t, 32> buffer{};
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buffer.data(), 32, 500), 0);
  const long long elapsed = MillisSince(start);
  EXPECT_GE(elapsed, 500);
  EXPECT_LT(elapsed, 2500);
}

TEST(WinSerial, PortWithoutDeviceDoesNotOpen) {
  Tserial port;
  EXPECT_FALSE(port.Open(kMissingPort, 9600));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.BaudRate(), 9600u);
  EXPECT_FALSE(port.Open(0, 9600));
}

}  // namespace
