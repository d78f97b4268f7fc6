// What both back ends of Tserial share: opening by number, the wait hook and the reason of a
// failed open.
#include "serial.h"

bool Tserial::Open(int portNumber, std::uint32_t baudRate) {
  if (portNumber <= 0) {
    Close();
    baudRate_ = baudRate;
    return Failed(OpenFailure::NoDevice, "COM" + std::to_string(portNumber), 0);
  }
  return OpenDevice(DevicePath(portNumber), baudRate);
}

bool Tserial::KeepWaiting() {
  if (!waitHook_) return true;
  inWait_ = true;
  const bool keep = waitHook_();
  inWait_ = false;
  if (closeAfterWait_) {
    closeAfterWait_ = false;
    Close();
    return false;
  }
  return keep;
}

bool Tserial::Failed(OpenFailure reason, const std::string& device, int systemError) {
  openError_ = {reason, device, {}, systemError};
  return false;
}
