// What both back ends of Tserial share: opening by number, the wait hook and the reason of a
// failed open.
#include "serial.h"

bool Tserial::Open(int portNumber, std::uint32_t baudRate) {
  if (portNumber <= 0) {
    if (OpenRefused("COM" + std::to_string(portNumber))) return false;
    CloseBeforeOpen();
    baudRate_ = baudRate;
    return Failed(OpenFailure::NoDevice, "COM" + std::to_string(portNumber), 0);
  }
  return OpenDevice(ComDevice(portNumber, resolver_), baudRate);
}

void Tserial::Close() {
  if (inWait_) {
    closeAfterWait_ = true;
    return;
  }
  Release();
}

void Tserial::CloseBeforeOpen() {
  // The wait under way holds the old descriptor; it ends instead of using a new one.
  if (inWait_) {
    closeAfterWait_ = false;
    reopenedInWait_ = true;
  }
  Release();
}

bool Tserial::OpenRefused(const std::string& device) {
  if (!holdOpens_) return false;
  Failed(OpenFailure::Other, device, 0);
  return true;
}

bool Tserial::KeepWaiting() {
  // An open from the hook waits without it: the hook is not run inside itself.
  if (!waitHook_ || inWait_) return true;
  inWait_ = true;
  const bool keep = waitHook_();
  inWait_ = false;
  const bool portChanged = closeAfterWait_ || reopenedInWait_;
  reopenedInWait_ = false;
  if (closeAfterWait_) {
    closeAfterWait_ = false;
    Release();
  }
  return keep && !portChanged;
}

bool Tserial::Failed(OpenFailure reason, const std::string& device, int systemError) {
  openError_ = {reason, device, {}, systemError};
  return false;
}
