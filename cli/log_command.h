#pragma once

#include "arguments.h"

namespace cli {

// log [LOG]: the install log as a table, or as JSON lines; the exit status.
int ShowLog(const Arguments& arguments);

}  // namespace cli
