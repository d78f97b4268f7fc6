#pragma once

#include <QString>

#include "install_job.h"

// The words of an install's result, in the install log, on batch's lines and in its JSON.
namespace texts {

// "configured", "restart-needed", "no-printer", "unsupported", "cannot-open", "failed".
QString ResultName(printer::InstallResult result);

// A sentence for the line and the log: "configured at 9600 bps", "restart needed at 115200 bps".
QString StatusText(const printer::InstallOutcome& outcome);

}  // namespace texts
