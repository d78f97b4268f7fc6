#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serial.h"
#include "tcp_socket.h"
#include "telnet_codec.h"

// A serial port on a device server across the network: RFC 2217 (telnet COM-PORT-OPTION, the
// rate set by this client) or raw TCP (bytes only, the rate set at the server).
enum class NetworkProtocol { Rfc2217, RawTcp };

struct NetworkAddress {
  NetworkProtocol protocol = NetworkProtocol::Rfc2217;
  std::string host;  // a name, an IPv4 address or an IPv6 address without its brackets
  std::string port;
};

// Whether device is meant as a network port: it starts with rfc2217:// or socket://.
bool IsNetworkAddress(const std::string& device);
// Whether device is a raw-TCP port, whose rate is the device server's.
bool IsRawTcpAddress(const std::string& device);
// "rfc2217://HOST:PORT" or "socket://HOST:PORT", HOST a name, an IPv4 address or [IPv6];
// nothing for anything else.
std::optional<NetworkAddress> ParseNetworkAddress(const std::string& device);

// The network end of one Tserial: Open, Write, Read and DiscardInput with the same deadlines,
// slices and wait hook as a local port.
class NetworkPort {
 public:
  explicit NetworkPort(std::function<bool()> keepWaiting) : keepWaiting_(std::move(keepWaiting)) {}

  // Connects within 3 s and, over RFC 2217, sets the line; returns once the server has
  // acknowledged the rate. None when the port is open; systemError says more where there is one.
  OpenFailure Open(const NetworkAddress& address, std::uint32_t baudRate, int& systemError);
  void Close();
  bool IsOpen() const { return socket_.IsOpen(); }
  bool RateSetByServer() const { return IsOpen() && protocol_ == NetworkProtocol::RawTcp; }

  // As Tserial's: data bytes moved within the deadline; once the server has closed the
  // connection, the count so far at once.
  int Write(const std::uint8_t* data, int length, std::uint32_t timeoutMs);
  int Read(std::uint8_t* buffer, int length, std::uint32_t timeoutMs);
  bool DiscardInput();
  // How long what was written since the last reply may still take to leave the device server's
  // serial line at the line's rate; 0 when nothing is on its way or the connection is gone.
  int MillisUntilSent() const;

 private:
  enum class Pulled { Bytes, Nothing, Gone };

  OpenFailure SetLine(std::uint32_t baudRate, const SerialDeadline& deadline);
  Pulled Pull();
  void FlushOutgoing();
  std::size_t Take(std::uint8_t* buffer, std::size_t length);

  std::function<bool()> keepWaiting_;
  TcpSocket socket_;
  NetworkProtocol protocol_ = NetworkProtocol::Rfc2217;
  telnet::Codec codec_;
  std::deque<std::uint8_t> input_;      // data received and not yet read; bounded
  std::vector<std::uint8_t> outgoing_;  // telnet answers and the rest of a cut 0xFF pair
  bool gone_ = false;                   // the server closed the connection
  std::uint32_t baudRate_ = 0;
  // When the data written since the last reply will have left the server's serial line.
  std::optional<std::chrono::steady_clock::time_point> sentBy_;
  // Counts the connections: a Write whose wait hook closed or reopened the port leaves the new
  // connection as it found it.
  std::uint64_t connection_ = 0;
};
