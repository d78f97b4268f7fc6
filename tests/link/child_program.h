#pragma once
// The helper program link_child, spawned fresh (posix_spawn) so that no lock a test thread holds
// is inherited half-taken, as it would be by a bare fork.
#include <sys/types.h>

#include <string>
#include <vector>

namespace serial_test {

class ChildProgram {
 public:
  explicit ChildProgram(const std::vector<std::string>& arguments);
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // The next line it printed, without the newline; empty at its end or after timeoutMs.
  std::string ReadLine(int timeoutMs = 5000);
  // Ends its input, waits for it and gives its exit status (-1 when it did not exit normally).
  int Finish();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string pending_;
};

// Runs link_child with arguments to its end: its exit status and what it printed.
struct ChildRun {
  int status = -1;
  std::string output;
};
ChildRun RunChild(const std::vector<std::string>& arguments);

}  // namespace serial_test
