#pragma once

#include "arguments.h"

namespace cli {

// batch FILE: every given port (or every present one) at once, a thread and a Tserial each; the
// exit status.
int Batch(const Arguments& arguments);

}  // namespace cli
