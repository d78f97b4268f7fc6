#include "child_program.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>

extern char** environ;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables): POSIX

namespace serial_test {

ChildProgram::ChildProgram(const std::vector<std::string>& arguments) {
  std::array<int, 2> toChild{-1, -1};
  std::array<int, 2> fromChild{-1, -1};
  if (pipe2(toChild.data(), O_CLOEXEC) != 0) return;
  if (pipe2(fromChild.data(), O_CLOEXEC) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
  std::vector<std::string> command{LINK_CHILD};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, LINK_CHILD, &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);
  input_ = toChild[1];
  output_ = fromChild[0];
}

ChildProgram::~ChildProgram() { Finish(); }

std::string ChildProgram::ReadLine(int timeoutMs) {
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    pollfd entry{output_, POLLIN, 0};
    std::array<char, 256> chunk{};
    if (output_ < 0 || poll(&entry, 1, timeoutMs) <= 0) return {};
    const ssize_t got = read(output_, chunk.data(), chunk.size());
    if (got <= 0) return {};
    pending_.append(chunk.data(), static_cast<std::size_t>(got));
  }
}

int ChildProgram::Finish() {
  if (input_ >= 0) close(input_);
  input_ = -1;
  if (output_ >= 0) close(output_);
  output_ = -1;
  if (pid_ <= 0) return -1;
  int status = 0;
  const pid_t ended = waitpid(pid_, &status, 0);
  pid_ = -1;
  return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ChildRun RunChild(const std::vector<std::string>& arguments) {
  ChildProgram child(arguments);
  ChildRun run;
  for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine()) {
    run.output += line + '\n';
  }
  run.status = child.Finish();
  return run;
}

}  // namespace serial_test
