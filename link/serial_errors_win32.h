#pragma once

#include "serial.h"

// What Windows' error codes mean to the serial link. Pure, so that tests can feed them codes
// the system would give only with real hardware.
namespace serial_errors {

// Why an open failed, from the error that CreateFile or a first call on the new handle gave;
// otherwise where the error says nothing of its own.
OpenFailure OpenFailureOf(unsigned long error, OpenFailure otherwise);

// Whether an error on an open port means that its device has left the system (a USB adapter
// pulled out). Its handle must then be closed at once: while one is open, Windows may keep the
// port dead until the adapter is plugged in again.
bool DeviceGone(unsigned long error);

}  // namespace serial_errors
