// Faults on the line caused for real on a pseudo-terminal: the far end hanging up, never reading,
// sending XOFF, noise or a stale reply; signals during a call; ports that are no terminal or that
// the user may not open.
#include <grp.h>
#include <pwd.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX sigaction
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "child_program.h"
#include "serial_line.h"
#include "temp_dir.h"

namespace {

using namespace serial_test;
using std::chrono::milliseconds;

std::vector<std::uint8_t> Pattern(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
  return bytes;
}

vprinter::Options InFourPieces() {
  vprinter::Options options = AnsweringAs(kFamily1Model);
  options.pieces = 4;
  options.pieceDelayMs = 200;
  return options;
}

// Stops the printer reading and fills the port's output queue. Returns the bytes that went in.
int FillQueue(Line& line) {
  line.printer.SetReading(false);
  const std::vector<std::uint8_t> flood = Pattern(1 << 20);
  return line.serial.Write(flood.data(), static_cast<int>(flood.size()), 300);
}

TEST(SerialHangUp, MidReplyReturnsTheShortCountAtOnceAndTheNextOpenWorks) {
  TempDir folder;
  vprinter::Options dying = AnsweringAs(kFamily1Model);
  dying.hangUpAfterBytes = 10;
  dying.linkPath = folder.File("ttyPrinter");
  Line line(dying);
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);

  vprinter::Reply reply{};
  const auto start = Clock::now();
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 5000), 10);
  EXPECT_LT(MillisSince(start), 2000) << "the read ends when the line drops, not at the deadline";
  EXPECT_TRUE(std::equal(reply.begin(), reply.begin() + 10, dying.reply.begin()));
  ASSERT_TRUE(line.printer.WaitForPluggedIn(false, 1000));
  EXPECT_FALSE(line.serial.Open(kPort, 9600)) << "no device while the printer is away";

  ASSERT_TRUE(line.printer.PlugIn());
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 1000), 32);
  EXPECT_EQ(reply, dying.reply);
}

TEST(SerialHangUp, DuringAStalledWriteEndsItAtOnce) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_GT(FillQueue(line), 0);

  std::thread unplug([&] {
    std::this_thread::sleep_for(milliseconds(300));
    line.printer.HangUp();
  });
  const std::vector<std::uint8_t> bytes = Pattern(32);
  const auto start = Clock::now();
  const int written = line.serial.Write(bytes.data(), 32, 5000);
  const long long elapsed = MillisSince(start);
  unplug.join();
  EXPECT_EQ(written, 0);
  EXPECT_GE(elapsed, 250) << "the write waits for room until the line drops";
  EXPECT_LT(elapsed, 2000) << "and ends when it drops, long before the deadline";
}

TEST(SerialStalledWrite, ReturnsTheShortCountAtTheDeadlineInOrder) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 115200));
  line.printer.SetReading(false);

  const std::vector<std::uint8_t> flood = Pattern(1 << 20);
  auto start = Clock::now();
  const int written = line.serial.Write(flood.data(), static_cast<int>(flood.size()), 1000);
  long long elapsed = MillisSince(start);
  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<int>(flood.size()));
  EXPECT_GE(elapsed, 1000);
  EXPECT_LT(elapsed, 2500);

  const printer::Identify identify = printer::EncodeIdentify();
  start = Clock::now();
  EXPECT_EQ(line.serial.Write(identify.data(), 2, 500), 0) << "nothing fits in a full queue";
  elapsed = MillisSince(start);
  EXPECT_GE(elapsed, 500);
  EXPECT_LT(elapsed, 2000);

  line.printer.SetReading(true);
  ASSERT_TRUE(line.printer.WaitForReceived(static_cast<std::size_t>(written), 3000));
  const std::vector<std::uint8_t> arrived = line.printer.Received();
  ASSERT_EQ(arrived.size(), static_cast<std::size_t>(written));
  EXPECT_TRUE(std::equal(arrived.begin(), arrived.end(), flood.begin()));
  EXPECT_EQ(line.serial.Write(identify.data(), 2, 500), 2) << "room again once the printer reads";
}

// The line has no software flow control: an XOFF from the printer is data, and output goes on,
// even on a port that came with XON/XOFF on.
TEST(SerialStalledWrite, XoffFromThePrinterDoesNotStopOutput) {
  Line line;
  ASSERT_TRUE(line.started);
  CookedLine slave(line.printer.DevicePath());
  ASSERT_TRUE(slave.Cooked());
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  const std::uint8_t xoff = 0x13;
  ASSERT_TRUE(line.printer.Send({&xoff, 1}));

  const std::vector<std::uint8_t> bytes = Pattern(64);
  const auto start = Clock::now();
  EXPECT_EQ(line.serial.Write(bytes.data(), 64, 1000), 64);
  EXPECT_LT(MillisSince(start), 500);
  ASSERT_TRUE(line.printer.WaitForReceived(64, 1000));
  EXPECT_EQ(line.printer.Received(), bytes);
  std::uint8_t received = 0;
  EXPECT_EQ(line.serial.Read(&received, 1, 500), 1);
  EXPECT_EQ(received, xoff);
}

TEST(SerialSlowReply, FourPiecesTwoHundredMsApartArriveWholeWithinTheTimeout) {
  Line line(InFourPieces());
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);

  vprinter::Reply received{};
  const auto start = Clock::now();
  EXPECT_EQ(line.serial.Read(received.data(), 32, printer::kTimeoutMs), 32);
  const long long elapsed = MillisSince(start);
  EXPECT_EQ(received, InFourPieces().reply);
  EXPECT_GE(elapsed, 550) << "the last piece comes 600 ms after the first";
  EXPECT_LT(elapsed, 1000);
}

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): a signal handler counts here
std::atomic<int> alarmsTaken{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void TakeAlarm(int) { alarmsTaken.fetch_add(1, std::memory_order_relaxed); }

// SIGALRM every 10 ms, handled without SA_RESTART, so every wait in this thread is cut short with
// EINTR. Threads inherit the mask of the thread that makes them: make them with MakeDeaf.
class AlarmStorm {
 public:
  AlarmStorm() {
    struct sigaction action {};
    action.sa_handler = TakeAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGALRM, &action, &previous_);
    const itimerval every{{0, 10'000}, {0, 10'000}};
    setitimer(ITIMER_REAL, &every, nullptr);
  }
  ~AlarmStorm() {
    const itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous_, nullptr);
  }
  AlarmStorm(const AlarmStorm&) = delete;
  AlarmStorm& operator=(const AlarmStorm&) = delete;

  // Alarms taken while the call ran, and the milliseconds it took.
  template <class Call>
  static std::pair<int, long long> During(Call call) {
    const int before = alarmsTaken.load();
    const auto start = Clock::now();
    call();
    return {alarmsTaken.load() - before, MillisSince(start)};
  }

  template <class T, class... Args>
  static std::unique_ptr<T> MakeDeaf(Args&&... args) {
    sigset_t alarm;
    sigset_t previous;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, &previous);
    auto made = std::make_unique<T>(std::forward<Args>(args)...);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return made;
  }

 private:
  struct sigaction previous_ {};
};

TEST(SerialSignals, ReadsKeepTheirResultAndDeadline) {
  vprinter::Options silent = AnsweringAs(kFamily1Model);
  silent.silent = true;
  const auto quiet = AlarmStorm::MakeDeaf<Line>(silent);
  const auto slow = AlarmStorm::MakeDeaf<Line>(InFourPieces());
  ASSERT_TRUE(quiet->started && slow->started);
  ASSERT_TRUE(quiet->serial.Open(kPort, 9600) && slow->serial.Open(kPort, 9600));
  const AlarmStorm storm;

  std::array<std::uint8_t, 32> buffer{};
  auto [alarms, elapsed] = AlarmStorm::During(
      [&] { EXPECT_EQ(quiet->serial.Read(buffer.data(), 32, printer::kTimeoutMs), 0); });
  EXPECT_GE(alarms, 20);
  EXPECT_GE(elapsed, 1000);
  EXPECT_LT(elapsed, 1500);

  vprinter::Reply received{};
  ASSERT_EQ(slow->SendIdentify(), 2);
  std::tie(alarms, elapsed) = AlarmStorm::During(
      [&] { EXPECT_EQ(slow->serial.Read(received.data(), 32, printer::kTimeoutMs), 32); });
  EXPECT_EQ(received, InFourPieces().reply);
  EXPECT_GE(alarms, 20);
  EXPECT_LT(elapsed, 1000);
}

TEST(SerialSignals, WritesKeepTheirResultAndDeadline) {
  const auto line = AlarmStorm::MakeDeaf<Line>();
  const auto stalled = AlarmStorm::MakeDeaf<Line>();
  ASSERT_TRUE(line->started && stalled->started);
  ASSERT_TRUE(line->serial.Open(kPort, 9600) && stalled->serial.Open(kPort, 9600));
  ASSERT_GT(FillQueue(*stalled), 0);
  const AlarmStorm storm;

  const std::vector<std::uint8_t> bytes = Pattern(200);
  auto [alarms, elapsed] = AlarmStorm::During(
      [&] { EXPECT_EQ(stalled->serial.Write(bytes.data(), 200, printer::kTimeoutMs), 0); });
  EXPECT_GE(alarms, 20);
  EXPECT_GE(elapsed, 1000);
  EXPECT_LT(elapsed, 1500);

  std::tie(alarms, elapsed) = AlarmStorm::During(
      [&] { EXPECT_EQ(line->serial.Write(bytes.data(), 200, printer::kTimeoutMs), 200); });
  EXPECT_LT(elapsed, 1000);
  ASSERT_TRUE(line->printer.WaitForReceived(200, 1000));
  EXPECT_EQ(line->printer.Received(), bytes);
}

TEST(SerialOpen, FailsOnWhatIsNoTerminalAndLeavesNothingOpen) {
  TempDir folder;
  const std::string file = folder.File("not-a-tty");
  std::ofstream(file) << "COM1\n";
  const std::string dir = folder.File("a-folder");
  std::filesystem::create_directory(dir);
  const std::vector<std::string> paths{folder.File("missing"), file, dir, "/dev/null"};

  for (const std::string& path : paths) {
    Tserial serial;
    PointAt(serial, {path});
    const int before = DescriptorsOn(path);
    EXPECT_FALSE(serial.Open(kPort, 9600)) << path;
    EXPECT_FALSE(serial.IsOpen()) << path;
    EXPECT_EQ(DescriptorsOn(path), before) << path;
    std::uint8_t byte = 0;
    EXPECT_EQ(serial.Write(&byte, 1, 100), -1) << path;
  }
}

// 0 when Open worked as that user, 1 when it failed, 2 when the privileges could not be dropped.
int OpenAs(uid_t uid, gid_t gid, const std::string& device) {
  return RunChild({"open-as", std::to_string(uid), std::to_string(gid), device}).status;
}

TEST(SerialOpen, FailsOnAPortTheUserMayNotOpen) {
  if (geteuid() != 0) GTEST_SKIP() << "dropping to another user needs root";
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  const group* nogroup = getgrnam("nogroup");
  const gid_t gid = nogroup != nullptr ? nogroup->gr_gid : nobody->pw_gid;
  Line locked;
  Line shared;
  ASSERT_TRUE(locked.started && shared.started);
  ASSERT_EQ(chmod(locked.printer.DevicePath().c_str(), 0600), 0);
  ASSERT_EQ(chmod(shared.printer.DevicePath().c_str(), 0666), 0);

  EXPECT_EQ(OpenAs(nobody->pw_uid, gid, locked.printer.DevicePath()), 1);
  EXPECT_EQ(OpenAs(nobody->pw_uid, gid, shared.printer.DevicePath()), 0)
      << "the same user opens a port it may use";
}

TEST(SerialOpen, DropsAStaleReplyLeftByAnEarlierConnection) {
  vprinter::Options once = AnsweringAs(kFamily1Model);
  once.stopAfter = 1;
  Line line(once);
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);
  ASSERT_TRUE(line.printer.WaitForCommands(1, 1000));
  std::this_thread::sleep_for(milliseconds(200));
  line.serial.Close();

  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);
  ASSERT_TRUE(line.printer.WaitForCommands(2, 1000));
  vprinter::Reply reply{};
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 500), 0) << "the unread first answer is gone";
}

TEST(SerialOpen, DropsNoiseButNotWhatComesAfter) {
  Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.printer.Send(Pattern(100)));
  ASSERT_TRUE(line.serial.Open(kPort, 9600));

  ASSERT_EQ(line.SendIdentify(), 2);
  vprinter::Reply received{};
  EXPECT_EQ(line.serial.Read(received.data(), 32, 1000), 32);
  EXPECT_EQ(received, vprinter::ReplyForModel(kFamily1Model));
  std::uint8_t more = 0;
  EXPECT_EQ(line.serial.Read(&more, 1, 200), 0);
}

// A read takes what it asks for and no more; the rest waits for the next read, and the next Open
// drops it.
TEST(SerialOpen, DropsBytesLeftAfterAReply) {
  vprinter::Options chatty = AnsweringAs(kFamily1Model);
  chatty.afterReply = Pattern(8);
  Line line(chatty);
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);
  vprinter::Reply received{};
  EXPECT_EQ(line.serial.Read(received.data(), 32, 1000), 32);
  EXPECT_EQ(received, chatty.reply);
  std::array<std::uint8_t, 4> after{};
  EXPECT_EQ(line.serial.Read(after.data(), 4, 1000), 4);
  EXPECT_TRUE(std::equal(after.begin(), after.end(), chatty.afterReply.begin()));

  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  EXPECT_EQ(line.serial.Read(after.data(), 4, 200), 0);
}

}  // namespace
