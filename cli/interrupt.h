#pragma once

#include <QString>

// Ctrl-C during a command, and the other ways a session ends under it (SIGTERM, a hang-up, the
// console window closed): the first one asks the running command to stop at its next step. A
// reader that goes away (SIGPIPE) is no stop: the output is dropped and the jobs run to their end.
namespace cli {

void CatchInterrupt();
bool Interrupted();
// What stopped the command, as a sentence: "Stopped by Ctrl-C."
QString InterruptText();

}  // namespace cli
