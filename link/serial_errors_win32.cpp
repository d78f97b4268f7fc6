#include "serial_errors_win32.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace serial_errors {

OpenFailure OpenFailureOf(unsigned long error, OpenFailure otherwise) {
  if (DeviceGone(error)) return OpenFailure::NoDevice;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:  // a name no port can have
      return OpenFailure::NoDevice;
    // A serial port is opened without sharing: the port is there and another program has it
    // open. Not a question of permission.
    case ERROR_ACCESS_DENIED:
      return OpenFailure::Busy;
    default:
      return otherwise;
  }
}

bool DeviceGone(unsigned long error) {
  switch (error) {
    case ERROR_BAD_COMMAND:  // usbser.sys and others, after a pull
    case ERROR_DEVICE_REMOVED:
    case ERROR_OPERATION_ABORTED:  // a call under way when the device went
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_NOT_READY:  // Wine, when the device behind the port has hung up
      return true;
    default:
      return false;
  }
}

}  // namespace serial_errors
