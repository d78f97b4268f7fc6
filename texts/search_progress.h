#pragma once

#include <QString>

#include "interface_language.h"
#include "printer_search.h"

namespace texts {

// How many ports a search tries at once and which have ended ("Trying 3 ports at once; done:
// COM1, COM3"); empty when it tries one port or none, where the port and rate say it all.
QString PortsProgressText(const printer::PortsProgress& progress, InterfaceLanguage language);

}  // namespace texts
