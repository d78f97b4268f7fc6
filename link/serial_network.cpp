// Tserial on a port of a device server: what both back ends hand to the network port.
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
  const OpenFailure reason = network_->Open(*address, baudRate, systemError);
  if (reason == OpenFailure::None) return true;
  network_->Close();
  Failed(reason, device, systemError);
  if (reason == OpenFailure::NoSuchHost) openError_.detail = address->host;
  return false;
}

void Tserial::CloseNetwork() {
  if (network_) network_->Close();
}

bool Tserial::OnNetwork() const { return network_ && network_->IsOpen(); }

bool Tserial::RateSetByServer() const { return network_ && network_->RateSetByServer(); }
