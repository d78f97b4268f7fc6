#pragma once

#include <QString>

namespace cli {

// Progress on standard error: a bar redrawn in place on a terminal, a line per step otherwise
// (a log or a script).
class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine() { Finish(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ProgressLine(ProgressLine&&) = delete;
  ProgressLine& operator=(ProgressLine&&) = delete;

  void Show(int done, int total, const QString& what);
  // Ends the bar's line; nothing to do for lines.
  void Finish();

 private:
  bool terminal_;
  bool open_ = false;
};

}  // namespace cli
