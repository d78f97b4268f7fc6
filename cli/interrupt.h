#pragma once

// Ctrl-C during a command: the first one asks the running command to stop at its next step.
namespace cli {

void CatchInterrupt();
bool Interrupted();

}  // namespace cli
