#pragma once

#include <array>

// The exit statuses of quillsetter-cli with what each means: --help prints this table, and a
// test holds the manual page and the README to it.
namespace cli {

enum ExitStatus {
  kDone = 0,
  kUsage = 2,
  kNoPrinter = 3,
  kUnsupported = 4,
  kCannotOpen = 5,
  kStoppedAnswering = 6,
  kSomeFailed = 7,
  kNotWritten = 8,
  kInterrupted = 130,
};

struct ExitStatusRow {
  ExitStatus status;
  const char* meaning;  // how the manual page and the README begin the status's entry
};

inline constexpr std::array<ExitStatusRow, 9> kExitStatuses = {{
    {kDone, "done"},
    {kUsage, "usage error, a bad settings file, or a malformed network address"},
    {kNoPrinter, "no printer answered"},
    {kUnsupported, "the printer's model is not supported"},
    {kCannotOpen, "the port cannot be opened"},
    {kStoppedAnswering, "the printer stopped answering during a send"},
    // Also a batch whose only port will not open.
    {kSomeFailed, "batch: some printers failed"},
    {kNotWritten,
     "every printer was served, but the install log or standard output could not "
     "be written"},
    {kInterrupted, "interrupted with Ctrl-C, SIGTERM or SIGHUP"},
}};

}  // namespace cli
