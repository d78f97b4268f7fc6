// What both back ends of Tserial share: the wait hook and the reason of a failed open.
#include "serial.h"

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
