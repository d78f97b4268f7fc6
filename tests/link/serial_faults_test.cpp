// Faults on the line caused for real on a pseudo-terminal: the far end hanging up, never reading,
// sending XOFF, noise or a stale reply; signals during a call; ports that are no terminal or that
// the user may not open.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
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

#include "../tools/temp_dir.h"
#include "serial_line.h"

namespace {

using namespace serial_test;
using std::chrono::milliseconds;

// A pty whose far end the test drives by hand. Nothing is read from it unless asked, so what the
// port writes piles up until the queue is full.
class BarePty {
 public:
  BarePty() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    char name[128];
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
      return;
    }
    device_ = name;
    // Held open as the virtual printer does, so the line keeps its queue between openers. The line
    // stays as a fresh pty comes (XON/XOFF, CR/LF mapping on) but for echo and line editing, so
    // what is sent before a port opens waits as bytes, not as an unfinished line.
    keep_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios settings{};
    if (keep_ < 0 || tcgetattr(keep_, &settings) != 0) return;
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
    settings.c_cc[VMIN] = 0;
    ready_ = tcsetattr(keep_, TCSANOW, &settings) == 0;
  }
  ~BarePty() {
    if (keep_ >= 0) close(keep_);
    HangUp();
  }
  BarePty(const BarePty&) = delete;
  BarePty& operator=(const BarePty&) = delete;

  bool Ready() const { return ready_; }
  const std::string& DevicePath() const { return device_; }

  bool Send(const std::vector<std::uint8_t>& bytes) {
    return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // Everything the port has sent so far.
  std::vector<std::uint8_t> Take() {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    for (;;) {
      const ssize_t count = read(master_, chunk, sizeof chunk);
      if (count <= 0) return bytes;
      bytes.insert(bytes.end(), chunk, chunk + count);
    }
  }

  // The printer switched off or its adapter pulled out.
  void HangUp() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_;
  int keep_ = -1;
  bool ready_ = false;
  std::string device_;
};

std::vector<std::uint8_t> Pattern(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
  return bytes;
}

std::vector<std::uint8_t> ReplyBytes(const vprinter::Reply& reply) {
  return {reply.begin(), reply.end()};
}

// Sends bytes in pieces, one every gap, from its own thread, starting one gap after it is made.
class PieceSender {
 public:
  PieceSender(BarePty& pty, std::vector<std::uint8_t> bytes, int pieces, milliseconds gap)
      : thread_([&pty, bytes = std::move(bytes), pieces, gap] {
          const std::size_t size = bytes.size() / static_cast<std::size_t>(pieces);
          for (int i = 0; i < pieces; ++i) {
            std::this_thread::sleep_for(gap);
            const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(size) * i;
            const auto to =
                i + 1 == pieces ? bytes.end() : from + static_cast<std::ptrdiff_t>(size);
            pty.Send({from, to});
          }
        }) {}
  ~PieceSender() { thread_.join(); }
  PieceSender(const PieceSender&) = delete;
  PieceSender& operator=(const PieceSender&) = delete;

 private:
  std::thread thread_;
};

// Fills the port's output queue: the far end never reads. Returns the bytes that went in.
int FillQueue(Tserial& serial) {
  const std::vector<std::uint8_t> flood = Pattern(1 << 20);
  return serial.Write(flood.data(), static_cast<int>(flood.size()), 300);
}

TEST(SerialHangUp, MidReplyReturnsTheShortCountAtOnceAndTheNextOpenWorks) {
  TempDir folder;
  vprinter::Options dying = Answering();
  dying.shortLength = 10;
  dying.linkPath = folder.File("ttyPrinter");
  Line line(dying);
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);

  std::thread unplug([&] {
    line.printer.WaitForCommands(1, 1000);
    std::this_thread::sleep_for(milliseconds(300));
    line.printer.Stop();
  });
  vprinter::Reply reply{};
  const auto start = Clock::now();
  const int count = line.serial.Read(reply.data(), 32, 5000);
  const long long elapsed = MillisSince(start);
  unplug.join();
  EXPECT_EQ(count, 10);
  EXPECT_GE(elapsed, 250) << "the read waits for the rest until the printer goes";
  EXPECT_LT(elapsed, 2000) << "and ends when it goes, long before the deadline";
  EXPECT_FALSE(std::filesystem::exists(line.link));

  vprinter::Options back = Answering();
  back.linkPath = line.link;
  vprinter::VirtualPrinter printer(back);
  ASSERT_TRUE(printer.Start());
  ASSERT_TRUE(line.serial.Open(kPort, 9600));
  ASSERT_EQ(line.SendIdentify(), 2);
  EXPECT_EQ(line.serial.Read(reply.data(), 32, 1000), 32);
  EXPECT_EQ(reply, vprinter::ReplyForModel(kModel));
}

TEST(SerialStalledWrite, ReturnsTheShortCountAtTheDeadlineInOrder) {
  BarePty pty;
  ASSERT_TRUE(pty.Ready());
  Tserial serial;
  PointAt(serial, {pty.DevicePath()});
  ASSERT_TRUE(serial.Open(kPort, 115200));

  const std::vector<std::uint8_t> flood = Pattern(1 << 20);
  auto start = Clock::now();
  const int written = serial.Write(flood.data(), static_cast<int>(flood.size()), 1000);
  long long elapsed = MillisSince(start);
  EXPECT_GT(written, 0);
  EXPECT_LT(written, static_cast<int>(flood.size()));
  EXPECT_GE(elapsed, 1000);
  EXPECT_LT(elapsed, 2500);

  const std::array<std::uint8_t, 2> identify{0x1B, 0x5A};
  start = Clock::now();
  EXPECT_EQ(serial.Write(identify.data(), 2, 500), 0) << "nothing fits in a full queue";
  elapsed = MillisSince(start);
  EXPECT_GE(elapsed, 500);
  EXPECT_LT(elapsed, 2000);

  const std::vector<std::uint8_t> arrived = pty.Take();
  ASSERT_EQ(arrived.size(), static_cast<std::size_t>(written));
  EXPECT_TRUE(std::equal(arrived.begin(), arrived.end(), flood.begin()));
  EXPECT_EQ(serial.Write(identify.data(), 2, 500), 2) << "room again once the printer reads";
  EXPECT_EQ(pty.Take(), std::vector<std::uint8_t>(identify.begin(), identify.end()));
}

// The line has no software flow control: an XOFF from the printer is data, and output goes on.
TEST(SerialStalledWrite, XoffFromThePrinterDoesNotStopOutput) {
  BarePty pty;
  ASSERT_TRUE(pty.Ready());
  Tserial serial;
  PointAt(serial, {pty.DevicePath()});
  ASSERT_TRUE(serial.Open(kPort, 9600));
  ASSERT_TRUE(pty.Send({0x13}));
  std::this_thread::sleep_for(milliseconds(100));

  const std::vector<std::uint8_t> bytes = Pattern(64);
  const auto start = Clock::now();
  EXPECT_EQ(serial.Write(bytes.data(), 64, 1000), 64);
  EXPECT_LT(MillisSince(start), 500);
  EXPECT_EQ(pty.Take(), bytes);
  std::uint8_t xoff = 0;
  EXPECT_EQ(serial.Read(&xoff, 1, 500), 1);
  EXPECT_EQ(xoff, 0x13);
}

TEST(SerialSlowReply, FourPiecesTwoHundredMsApartArriveWholeWithinTheTimeout) {
  BarePty pty;
  ASSERT_TRUE(pty.Ready());
  Tserial serial;
  PointAt(serial, {pty.DevicePath()});
  ASSERT_TRUE(serial.Open(kPort, 9600));
  const vprinter::Reply sent = vprinter::ReplyForModel(kModel);

  vprinter::Reply received{};
  const auto start = Clock::now();
  {
    PieceSender sender(pty, ReplyBytes(sent), 4, milliseconds(200));
    EXPECT_EQ(serial.Read(received.data(), 32, printer::kTimeoutMs), 32);
  }
  const long long elapsed = MillisSince(start);
  EXPECT_EQ(received, sent);
  EXPECT_GE(elapsed, 800);
  EXPECT_LT(elapsed, 1000);
}

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
  vprinter::Options silent = Answering();
  silent.silent = true;
  const auto quiet = AlarmStorm::MakeDeaf<Line>(silent);
  BarePty pty;
  ASSERT_TRUE(quiet->started && pty.Ready());
  Tserial slow;
  PointAt(slow, {pty.DevicePath()});
  ASSERT_TRUE(quiet->serial.Open(kPort, 9600) && slow.Open(kPort, 9600));
  const AlarmStorm storm;

  std::array<std::uint8_t, 32> buffer{};
  auto [alarms, elapsed] = AlarmStorm::During(
      [&] { EXPECT_EQ(quiet->serial.Read(buffer.data(), 32, printer::kTimeoutMs), 0); });
  EXPECT_GE(alarms, 20);
  EXPECT_GE(elapsed, 1000);
  EXPECT_LT(elapsed, 1500);

  const vprinter::Reply sent = vprinter::ReplyForModel(kModel);
  vprinter::Reply received{};
  std::tie(alarms, elapsed) = AlarmStorm::During([&] {
    const auto sender =
        AlarmStorm::MakeDeaf<PieceSender>(pty, ReplyBytes(sent), 4, milliseconds(200));
    EXPECT_EQ(slow.Read(received.data(), 32, printer::kTimeoutMs), 32);
  });
  EXPECT_EQ(received, sent);
  EXPECT_GE(alarms, 20);
  EXPECT_LT(elapsed, 1000);
}

TEST(SerialSignals, WritesKeepTheirResultAndDeadline) {
  const auto line = AlarmStorm::MakeDeaf<Line>();
  BarePty pty;
  ASSERT_TRUE(line->started && pty.Ready());
  Tserial stalled;
  PointAt(stalled, {pty.DevicePath()});
  ASSERT_TRUE(line->serial.Open(kPort, 9600) && stalled.Open(kPort, 9600));
  ASSERT_GT(FillQueue(stalled), 0);
  const AlarmStorm storm;

  const std::vector<std::uint8_t> bytes = Pattern(200);
  auto [alarms, elapsed] = AlarmStorm::During(
      [&] { EXPECT_EQ(stalled.Write(bytes.data(), 200, printer::kTimeoutMs), 0); });
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
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0 || getuid() != uid) {
      _exit(2);
    }
    Tserial serial;
    PointAt(serial, {device});
    _exit(serial.Open(kPort, 9600) ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
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
  vprinter::Options once = Answering();
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
  BarePty pty;
  ASSERT_TRUE(pty.Ready());
  ASSERT_TRUE(pty.Send(Pattern(100)));
  std::this_thread::sleep_for(milliseconds(100));
  Tserial serial;
  PointAt(serial, {pty.DevicePath()});
  ASSERT_TRUE(serial.Open(kPort, 9600));

  const vprinter::Reply sent = vprinter::ReplyForModel(kModel);
  ASSERT_TRUE(pty.Send(ReplyBytes(sent)));
  vprinter::Reply received{};
  EXPECT_EQ(serial.Read(received.data(), 32, 1000), 32);
  EXPECT_EQ(received, sent);
  std::uint8_t more = 0;
  EXPECT_EQ(serial.Read(&more, 1, 200), 0);
}

}  // namespace
