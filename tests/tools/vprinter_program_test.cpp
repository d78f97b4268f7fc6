#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX sigset_t, sigwait, kill
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "pty_client.h"
#include "temp_dir.h"
#include "virtual_printer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWaitMs = 3000;

// quillsetter-vprinter run as a child process, its output read through pipes.
class Program {
 public:
  explicit Program(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<std::string> argvStrings = {VPRINTER_PROGRAM};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(argvStrings.size() + 1);
    for (std::string& arg : argvStrings) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, VPRINTER_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Program() {
    if (pid_ > 0 && !exitCode_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int signal) const { kill(pid_, signal); }

  // The next line of standard output, without its newline; nothing at the timeout.
  std::optional<std::string> ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (const auto end = outText_.find('\n'); end != std::string::npos) {
        std::string line = outText_.substr(0, end);
        outText_.erase(0, end + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0 || !ReadSome(out_, outText_, static_cast<int>(left))) return std::nullopt;
    }
  }

  // The exit code once the program has ended; nothing when it runs on past the timeout.
  std::optional<int> Wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!exitCode_ && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return exitCode_;
  }

  // All of standard error and what is left of standard output; call after the program ended.
  std::string RestOfOutput() {
    while (ReadSome(out_, outText_, 0)) {
    }
    return outText_;
  }
  std::string Errors() {
    std::string text;
    while (ReadSome(err_, text, 0)) {
    }
    return text;
  }

 private:
  static bool ReadSome(int fd, std::string& text, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, timeoutMs) <= 0) return false;
    char buffer[512];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(count));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string outText_;
  std::optional<int> exitCode_;
};

TEST(VprinterProgram, BadArgumentsExitWithCode2AndSayWhy) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--short", "33"},
      {"--short", "ten"},
      {"--stop-after", "-1"},
      {"--model"},
      {"--model", std::string(33, 'x')},
      {"--reply-hex", "1b5a"},
      {"--reply-hex", std::string(64, 'g')},
      {"--model", "JOX MR71C Printer", "--reply-hex", std::string(64, '0')},
      {"--silent=yes"},
      {"--no-read=1"},
      {"--link="},
      {"--paper", ""},
      {"--garbage", "abc"},
      {"--trailing", ""},
      {"--pieces", "0"},
      {"--piece-delay", "-5"},
      {"--hang-up-after-bytes", "x"},
      {"--hang-up-after-commands", "0"},
      {"--back-after", "99999999999"},
      {"--baud", "12345"},
      {"--baud", "0"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args[1] : ""));
    Program program(args);
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.Wait(kWaitMs), 2);
    const std::string errors = program.Errors();
    const std::string option = args.front().substr(0, args.front().find('='));
    EXPECT_NE(errors.find(option), std::string::npos) << errors;
    EXPECT_EQ(program.RestOfOutput(), "");
  }
}

TEST(VprinterProgram, HelpListsTheOptions) {
  Program program({"--help"});
  ASSERT_TRUE(program.Started());
  EXPECT_EQ(program.Wait(kWaitMs), 0);
  const std::string help = program.RestOfOutput();
  EXPECT_TRUE(help.starts_with("Usage: quillsetter-vprinter")) << help;
  for (const char* option :
       {"--model", "--reply-hex", "--silent", "--no-read", "--short", "--stop-after", "--garbage",
        "--trailing", "--pieces", "--piece-delay", "--hang-up-after-bytes",
        "--hang-up-after-commands", "--back-after", "--baud", "--power-cycle-on-signal", "--link",
        "--log", "--paper", "--help"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

TEST(VprinterProgram, ServesTheModelPrintsCommandsAndCleansUpOnSigterm) {
  TempDir dir;
  const std::string link = dir.File("printer");
  const std::string log = dir.File("log.jsonl");
  Program program({"--model", "Tavrin MR2200T", "--link", link, "--log=" + log});
  ASSERT_TRUE(program.Started());
  const auto device = program.ReadLine(kWaitMs);
  ASSERT_TRUE(device.has_value());
  EXPECT_TRUE(device->starts_with("/dev/pts/")) << *device;
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), *device);

  PtyClient client(link);
  ASSERT_TRUE(client.IsOpen());
  ASSERT_TRUE(client.Write({0x1B}));
  ASSERT_TRUE(client.Write({0x5A}));
  const auto reply = vprinter::ReplyForModel("Tavrin MR2200T");
  EXPECT_EQ(client.Read(32, kWaitMs), Bytes(reply.begin(), reply.end()));
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  ASSERT_TRUE(client.Write(
      {0x1B, 0x59, 0x03, 0x1B, 0x58, 0x02, 0x1B, 0x74, 0x0F, 0x1D, 0x29, 0x06, 0x00, 0x41}));
  EXPECT_EQ(program.ReadLine(kWaitMs), "intensity 100 %");
  EXPECT_EQ(program.ReadLine(kWaitMs), "speed 66 mm/s");
  EXPECT_EQ(program.ReadLine(kWaitMs), "code page Windows Cyrilic (CP1251)");
  EXPECT_EQ(program.ReadLine(kWaitMs), "DIP switch 6 = 0");
  EXPECT_EQ(program.ReadLine(kWaitMs), R"(text "A")");

  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  EXPECT_EQ(program.RestOfOutput(), "");
  // However the stream was split into chunks, the log holds all of it, in order.
  std::ifstream logFile(log);
  const std::regex lineShape(R"re(\{"ms":[0-9]+,"hex":"([0-9a-f]+)"\})re");
  std::string logged;
  for (std::string line; std::getline(logFile, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, lineShape)) << line;
    logged += match[1];
  }
  EXPECT_EQ(logged, "1b5a1b59031b58021b740f1d29060041");
}

TEST(VprinterProgram, PrintsThePageToThePaperFile) {
  TempDir dir;
  const std::string paper = dir.File("paper.txt");
  Program program({"--paper", paper});
  ASSERT_TRUE(program.Started());
  const auto device = program.ReadLine(kWaitMs);
  ASSERT_TRUE(device.has_value());
  PtyClient client(*device);
  ASSERT_TRUE(client.Write(
      {0x1B, 0x40, 'H', 'i', '\n', 0x1B, 0x74, 0x07, 0x81, 0xEF, '\n', 0x1D, 0x56, 0x42, 0x00}));
  for (const char* line : {"initialize", R"(text "Hi\n")", "code page Russian (CP866)",
                           R"(text "\x81\xEF\n")", "feed 0 and cut"}) {
    EXPECT_EQ(program.ReadLine(kWaitMs), line);
  }
  std::ifstream file(paper);
  const std::string printed((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  EXPECT_EQ(printed, "Hi\nБя\n-- cut --\n");
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
}

TEST(VprinterProgram, ExactShortReplyAndSigint) {
  std::string hex;
  for (int i = 0; i < 32; ++i) hex += (i % 2 == 0 ? "0d " : "11 ");
  Program program({"--reply-hex", hex, "--short", "5", "--stop-after", "1"});
  ASSERT_TRUE(program.Started());
  const auto device = program.ReadLine(kWaitMs);
  ASSERT_TRUE(device.has_value());
  PtyClient client(*device);
  ASSERT_TRUE(client.Write({0x1B, 0x5A}));
  EXPECT_EQ(client.Read(32, 500), (Bytes{0x0D, 0x11, 0x0D, 0x11, 0x0D}));
  ASSERT_TRUE(client.Write({0x1B, 0x5A}));
  EXPECT_EQ(client.Read(32, 300), Bytes{});
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  program.Signal(SIGINT);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
}

TEST(VprinterProgram, SilentPrinterStillPrintsWhatItHears) {
  Program program({"--silent"});
  ASSERT_TRUE(program.Started());
  const auto device = program.ReadLine(kWaitMs);
  ASSERT_TRUE(device.has_value());
  PtyClient client(*device);
  ASSERT_TRUE(client.Write({0x1B, 0x5A, 0x1B, 0x54}));
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  EXPECT_EQ(program.ReadLine(kWaitMs), "closing");
  EXPECT_EQ(client.Read(32, 300), Bytes{});
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
}

TEST(VprinterProgram, AtItsBaudOnlyAndSaysWhatItCouldNotRead) {
  Program program({"--baud", "19200"});
  ASSERT_TRUE(program.Started());
  const auto device = program.ReadLine(kWaitMs);
  ASSERT_TRUE(device.has_value());
  PtyClient client(*device);
  ASSERT_TRUE(client.SetLine(B9600));
  ASSERT_TRUE(client.Write({0x1B, 0x5A}));
  EXPECT_EQ(program.ReadLine(kWaitMs), "unreadable bytes at 9600 bps");
  EXPECT_EQ(client.Read(32, 300), Bytes{});
  ASSERT_TRUE(client.SetLine(B19200));
  ASSERT_TRUE(client.Write({0x1B, 0x5A}));
  EXPECT_EQ(client.Read(32, kWaitMs).size(), 32u);
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
  EXPECT_EQ(program.RestOfOutput(), "");
}

TEST(VprinterProgram, PowerCycleOnSigusr1TakesTheRateOfTheSwitches) {
  Program program({"--baud", "9600", "--power-cycle-on-signal"});
  ASSERT_TRUE(program.Started());
  const auto device = program.ReadLine(kWaitMs);
  ASSERT_TRUE(device.has_value());
  PtyClient client(*device);
  ASSERT_TRUE(client.SetLine(B9600));
  // Switches 1..3 = 1, 0, 1: index 5, 38400 bps.
  ASSERT_TRUE(
      client.Write({0x1D, 0x29, 0x01, 0x01, 0x1D, 0x29, 0x02, 0x00, 0x1D, 0x29, 0x03, 0x01}));
  for (const char* line : {"DIP switch 1 = 1", "DIP switch 2 = 0", "DIP switch 3 = 1"}) {
    EXPECT_EQ(program.ReadLine(kWaitMs), line);
  }
  program.Signal(SIGUSR1);
  EXPECT_EQ(program.ReadLine(kWaitMs), "power off");
  const auto off = std::chrono::steady_clock::now();
  ASSERT_TRUE(client.Write({0x1B, 0x5A}));
  EXPECT_EQ(client.Read(32, 300), Bytes{});
  EXPECT_EQ(program.ReadLine(kWaitMs), "power cycle: now at 38400 bps");
  EXPECT_GE(std::chrono::steady_clock::now() - off, std::chrono::milliseconds(1500));
  ASSERT_TRUE(client.SetLine(B38400));
  ASSERT_TRUE(client.Write({0x1B, 0x5A, 0x1B, 0x58, 0x01}));
  EXPECT_EQ(client.Read(32, kWaitMs).size(), 32u);
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  // Back on, it still knows its model.
  EXPECT_EQ(program.ReadLine(kWaitMs), "speed 83 mm/s");
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
  EXPECT_EQ(program.RestOfOutput(), "");
}

TEST(VprinterProgram, GarbledAnswerInPiecesHangUpAndBack) {
  TempDir dir;
  const std::string link = dir.File("printer");
  Program program({"--model", "Tavrin MR2200T", "--garbage", "aa 55", "--trailing=0d0a", "--pieces",
                   "3", "--piece-delay", "50", "--hang-up-after-bytes", "20", "--back-after", "200",
                   "--link", link});
  ASSERT_TRUE(program.Started());
  const auto first = program.ReadLine(kWaitMs);
  ASSERT_TRUE(first.has_value());
  const auto reply = vprinter::ReplyForModel("Tavrin MR2200T");
  Bytes answer = {0xAA, 0x55};
  answer.insert(answer.end(), reply.begin(), reply.end());
  answer.insert(answer.end(), {0x0D, 0x0A});
  {
    PtyClient client(link);
    ASSERT_TRUE(client.Write({0x1B, 0x5A}));
    EXPECT_EQ(client.Read(36, kWaitMs), Bytes(answer.begin(), answer.begin() + 20));
    EXPECT_TRUE(client.HungUp());
  }
  EXPECT_EQ(program.ReadLine(kWaitMs), "hang-up");
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  const auto second = program.ReadLine(kWaitMs);
  ASSERT_TRUE(second.has_value());
  EXPECT_TRUE(second->starts_with("/dev/pts/")) << *second;
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), *second);
  PtyClient client(link);
  ASSERT_TRUE(client.Write({0x1B, 0x5A}));
  EXPECT_EQ(client.Read(36, kWaitMs), answer);
  EXPECT_EQ(program.ReadLine(kWaitMs), "identify");
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(kWaitMs), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

}  // namespace
