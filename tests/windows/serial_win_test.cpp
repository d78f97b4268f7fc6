// Run under Wine by run.sh: COM5 and COM10 lead to a virtual printer reporting kModel, COM6 to a
// silent one, COM7 and COM11 to one whose reply carries XON, XOFF, CR, LF, NUL and 0xFF, COM8 to
// one that answers only the first identify, COM12 to one that never reads, and COM9 to nothing.
// QUILLSETTER_RFC2217_PRINTER names an RFC 2217 port of ser2net sharing a printer with the
// reply of COM7.
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "printer.h"
#include "serial.h"
#include "serial_deadline.h"

namespace {

constexpr char kModel[] = "Tavrin MR2200T";
constexpr int kPrinterPort = 5;
constexpr int kSilentPort = 6;
constexpr int kControlPort = 7;
constexpr int kAnswersOncePort = 8;
constexpr int kMissingPort = 9;
constexpr int kTwoDigitPort = 10;
constexpr int kLeftInFlowPort = 11;
constexpr int kNotReadingPort = 12;

using Clock = std::chrono::steady_clock;

long long MillisSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

using Reply = std::array<std::uint8_t, printer::kIdentifyReplyLength>;

// Sends the identify command and reads the reply: the bytes read, or -1 when the command did not
// go out whole.
int Identify(Tserial& port, Reply& reply) {
  const printer::Identify identify = printer::EncodeIdentify();
  const int length = static_cast<int>(identify.size());
  if (port.Write(identify.data(), length, printer::kTimeoutMs) != length) return -1;
  return port.Read(reply.data(), printer::kIdentifyReplyLength, printer::kTimeoutMs);
}

// The reply of the printers on kControlPort and kLeftInFlowPort.
Reply ControlReply() {
  constexpr std::array<std::uint8_t, 6> kControl{0x11, 0x13, 0x0D, 0x0A, 0x00, 0xFF};
  Reply expected{};
  std::copy(std::begin(kModel), std::end(kModel) - 1, expected.begin());
  std::copy(kControl.begin(), kControl.end(), expected.begin() + sizeof kModel - 1);
  std::copy(kControl.begin(), kControl.end(), expected.end() - kControl.size());
  return expected;
}

// What another program may leave on a port: XON/XOFF flow both ways. True when the port kept it.
bool LeaveInXonXoffFlow(int portNumber) {
  const std::string name = R"(\\.\COM)" + std::to_string(portNumber);
  const HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  DCB line{};
  line.DCBlength = sizeof line;
  bool kept = GetCommState(port, &line) != 0;
  line.fOutX = TRUE;
  line.fInX = TRUE;
  kept = kept && SetCommState(port, &line) != 0;
  line = DCB{};
  line.DCBlength = sizeof line;
  kept = kept && GetCommState(port, &line) != 0 && line.fOutX != 0 && line.fInX != 0;
  CloseHandle(port);
  return kept;
}

TEST(WinSerial, IdentifyExchangeWithThePrinter) {
  Tserial port;
  ASSERT_TRUE(port.Open(kPrinterPort, 9600));
  EXPECT_TRUE(port.IsOpen());
  Reply reply{};
  ASSERT_EQ(Identify(port, reply), printer::kIdentifyReplyLength);
  EXPECT_EQ(printer::ModelNameFromReply(reply), kModel);
  EXPECT_EQ(printer::Classify(printer::ModelNameFromReply(reply)), 2);
}

// By its bare name Windows finds only COM1 to COM9.
TEST(WinSerial, PortsAboveNineOpenByNumber) {
  Tserial port;
  ASSERT_TRUE(port.Open(kTwoDigitPort, 9600));
  EXPECT_EQ(port.LastOpenError().reason, OpenFailure::None);
  EXPECT_EQ(ComDevice(kTwoDigitPort, {}), "COM10");
  Reply reply{};
  ASSERT_EQ(Identify(port, reply), printer::kIdentifyReplyLength);
  EXPECT_EQ(printer::ModelNameFromReply(reply), kModel);

  ASSERT_TRUE(port.OpenDevice("com10", 9600));
  EXPECT_EQ(Identify(port, reply), printer::kIdentifyReplyLength);
}

// Left on, XON/XOFF flow swallows 0x11 and 0x13 in the reply, and the 0x13 it ends with stops
// every later write.
TEST(WinSerial, PortLeftInXonXoffFlowStillWritesAndReadsEveryByte) {
  ASSERT_TRUE(LeaveInXonXoffFlow(kLeftInFlowPort));
  Tserial port;
  ASSERT_TRUE(port.Open(kLeftInFlowPort, 9600));
  for (int exchange = 0; exchange < 2; ++exchange) {
    SCOPED_TRACE(exchange);
    Reply reply{};
    ASSERT_EQ(Identify(port, reply), printer::kIdentifyReplyLength);
    EXPECT_EQ(reply, ControlReply());
  }
}

// Wine does not apply share mode 0 to devices, so a second opener cannot be refused here; a
// reopen still has to work and answer.
TEST(WinSerial, ReopenAnswersAgain) {
  Tserial port;
  ASSERT_TRUE(port.Open(kPrinterPort, 9600));
  ASSERT_TRUE(port.Open(kPrinterPort, 19200));
  EXPECT_EQ(port.BaudRate(), 19200u);
  Reply reply{};
  EXPECT_EQ(Identify(port, reply), printer::kIdentifyReplyLength);
}

TEST(WinSerial, ControlBytesArriveUnchanged) {
  Tserial port;
  ASSERT_TRUE(port.Open(kControlPort, 9600));
  Reply reply{};
  ASSERT_EQ(Identify(port, reply), printer::kIdentifyReplyLength);
  EXPECT_EQ(reply, ControlReply());
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

TEST(WinSerial, SilentReadRunsTheWaitHookAboutEverySlice) {
  Tserial port;
  ASSERT_TRUE(port.Open(kSilentPort, 9600));
  int calls = 0;
  port.SetWaitHook([&calls] {
    ++calls;
    return true;
  });
  std::array<std::uint8_t, 32> buffer{};
  EXPECT_EQ(port.Read(buffer.data(), 32, 500), 0);
  // Never more than once a slice; a wait that skipped the hook would leave it near 0.
  EXPECT_GE(calls, 10);
  EXPECT_LE(calls, 500 / kWaitSliceMs + 1);
}

TEST(WinSerial, WaitHookEndsASilentReadEarly) {
  Tserial port;
  ASSERT_TRUE(port.Open(kSilentPort, 9600));
  int calls = 0;
  port.SetWaitHook([&calls] { return ++calls < 3; });
  std::array<std::uint8_t, 32> buffer{};
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buffer.data(), 32, 5000), 0);
  EXPECT_LT(MillisSince(start), 2500);
  EXPECT_EQ(calls, 3);
  EXPECT_TRUE(port.IsOpen());

  // Closed from the hook: the read returns, and the port closes once it has.
  port.SetWaitHook([&port] {
    port.Close();
    return true;
  });
  const auto closing = Clock::now();
  EXPECT_EQ(port.Read(buffer.data(), 32, 5000), 0);
  EXPECT_LT(MillisSince(closing), 2500);
  EXPECT_FALSE(port.IsOpen());
}

// The printer on kNotReadingPort never reads: the line's queue fills and then takes no more.
TEST(WinSerial, WriteToAPortThatStoppedReadingEndsAtTheDeadline) {
  Tserial port;
  ASSERT_TRUE(port.Open(kNotReadingPort, 115200));
  constexpr int kLength = 256 * 1024;  // far more than the line's queue holds
  const std::vector<std::uint8_t> bytes(kLength, 0x55);
  auto start = Clock::now();
  const int written = port.Write(bytes.data(), kLength, 500);
  long long elapsed = MillisSince(start);
  EXPECT_LT(written, kLength);
  EXPECT_GE(elapsed, 500);
  EXPECT_LT(elapsed, 2500);

  int calls = 0;
  port.SetWaitHook([&calls] { return ++calls < 3; });
  start = Clock::now();
  EXPECT_EQ(port.Write(bytes.data(), kLength, 5000), 0);
  elapsed = MillisSince(start);
  EXPECT_LT(elapsed, 2500);
  EXPECT_EQ(calls, 3);
}

TEST(WinSerial, FailedOpenSaysWhy) {
  Tserial port;
  EXPECT_FALSE(port.Open(kMissingPort, 9600));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.BaudRate(), 9600u);
  EXPECT_EQ(port.LastOpenError().reason, OpenFailure::NoDevice);
  EXPECT_EQ(port.LastOpenError().device, "COM9");
  EXPECT_EQ(port.LastOpenError().systemError, ERROR_FILE_NOT_FOUND);

  EXPECT_FALSE(port.Open(0, 9600));
  EXPECT_EQ(port.LastOpenError().reason, OpenFailure::NoDevice);

  // A device that opens but is no serial port.
  EXPECT_FALSE(port.OpenDevice("NUL", 9600));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastOpenError().reason, OpenFailure::NotSerial);
  EXPECT_EQ(port.LastOpenError().device, "NUL");
  EXPECT_NE(port.LastOpenError().systemError, 0);

  ASSERT_TRUE(port.Open(kPrinterPort, 9600));
  EXPECT_EQ(port.LastOpenError().reason, OpenFailure::None);
}

// Winsock under the same Tserial: the reply's control bytes and 0xFF cross the telnet stream
// unchanged.
TEST(WinNetworkPort, IdentifyOverRfc2217) {
  const char* url = std::getenv("QUILLSETTER_RFC2217_PRINTER");
  if (url == nullptr || *url == '\0') GTEST_SKIP() << "no ser2net: the network port test skips";
  Tserial port;
  ASSERT_TRUE(port.OpenDevice(url, 9600)) << static_cast<int>(port.LastOpenError().reason);
  EXPECT_FALSE(port.RateSetByServer());
  Reply reply{};
  EXPECT_EQ(Identify(port, reply), printer::kIdentifyReplyLength);
  EXPECT_EQ(reply, ControlReply());
}

TEST(WinNetworkPort, FailedConnectSaysWhy) {
  Tserial port;
  // Nothing listens on port 1 of the loopback address.
  EXPECT_FALSE(port.OpenDevice("rfc2217://127.0.0.1:1", 9600));
  EXPECT_EQ(port.LastOpenError().reason, OpenFailure::ConnectionRefused);
  EXPECT_FALSE(port.OpenDevice("socket://printer.invalid:7000", 9600));
  EXPECT_EQ(port.LastOpenError().reason, OpenFailure::NoSuchHost);
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
