// Tserial on a port of a device server: what both back ends hand to the network port.
#include <algorithm>
#include <chrono>
#include <thread>

#include "network_port.h"
#include "serial.h"

bool Tserial::OpenNetwork(const std::string& device, std::uint32_t baudRate) {
  CloseBeforeOpen();
  baudRate_ = baudRate;
  openError_ = {};
  const std::optional<NetworkAddress> address = ParseNetworkAddress(device);
  if (!address) return Failed(OpenFailure::NoDevice, device, 0);
  if (!network_) network_ = std::make_unique<NetworkPort>([this] { return KeepWaiting(); });
  int systemError = 0;
  holdOpens_ = true;
  const OpenFailure reason = network_->Open(*address, baudRate, systemError);
  holdOpens_ = false;
  if (reason == OpenFailure::None) return true;
  network_->Close();
  Failed(reason, device, systemError);
  if (reason == OpenFailure::NoSuchHost) openError_.detail = address->host;
  return false;
}

void Tserial::CloseNetwork() {
  if (!network_) return;
  // A device server drops what has not yet left its serial line when the connection closes.
  // Inside a hook (an open that lets this port go) the hook cannot run again: it closes at once.
  if (!inWait_) {
    const bool held = holdOpens_;
    holdOpens_ = true;
    for (int left = network_->MillisUntilSent(); left > 0; left = network_->MillisUntilSent()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kWaitSliceMs)));
      if (!waitHook_) continue;
      inWait_ = true;
      const bool keep = waitHook_();
      inWait_ = false;
      if (!keep || closeAfterWait_) break;
    }
    closeAfterWait_ = false;
    holdOpens_ = held;
  }
  network_->Close();
}

bool Tserial::OnNetwork() const { return network_ && network_->IsOpen(); }

bool Tserial::RateSetByServer() const { return network_ && network_->RateSetByServer(); }
