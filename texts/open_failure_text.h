#pragma once

#include <QString>

#include <cstdint>

#include "interface_language.h"
#include "serial.h"

namespace texts {

// Why a port would not open, as one sentence for the user: "There is no device at /dev/ttyUSB0.",
// "/dev/ttyUSB0 is in use by another program (minicom, process 4242)." and so on; baudRate is
// the rate the open asked for. Empty when the system gave no reason the user can act on.
QString OpenFailureText(const OpenError& error, std::uint32_t baudRate, InterfaceLanguage language);

}  // namespace texts
