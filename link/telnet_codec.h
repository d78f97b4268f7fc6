#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The telnet side of an RFC 2217 client as a pure decoder and encoder: no I/O, so every byte a
// server can send is handled the same way whether it arrives in one piece or in many.
namespace telnet {

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPort = 44;

// COM-PORT-OPTION commands of the client; the server answers each with the command plus 100.
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;
inline constexpr std::uint8_t kPurgeData = 12;
inline constexpr std::uint8_t kServerAnswer = 100;

inline constexpr std::uint8_t kDataSize8 = 8;
inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kOneStopBit = 1;
inline constexpr std::uint8_t kNoFlowControl = 1;
inline constexpr std::uint8_t kDtrOff = 9;
inline constexpr std::uint8_t kPurgeReceived = 1;  // the server's buffer of bytes from the line

// The longest subnegotiation kept; a longer one is read to its end and ignored.
inline constexpr std::size_t kMaxSubnegotiation = 64;

// Appends data to wire with every 0xFF doubled.
void AppendEscaped(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& wire);

// IAC SB COM-PORT-OPTION command value IAC SE, with 0xFF in the value doubled.
std::vector<std::uint8_t> ComPortRequest(std::uint8_t command, std::span<const std::uint8_t> value);
// The requests that set the line: the rate, 8 data bits, no parity, one stop bit, no flow
// control, DTR off.
std::vector<std::uint8_t> LineRequests(std::uint32_t baudRate);

// One client connection's telnet state: the options agreed, a subnegotiation in progress and
// what the server reported of the line.
class Codec {
 public:
  // What the client offers first: BINARY and SUPPRESS-GO-AHEAD both ways, COM-PORT-OPTION.
  std::vector<std::uint8_t> Opening();

  // Decodes bytes from the server: data bytes are appended to data, the answers its
  // negotiation calls for to replies. Over a connection neither holds more bytes than came.
  void Decode(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
              std::vector<std::uint8_t>& replies);

  bool ComPortAccepted() const { return local_[kComPort] == Side::On; }
  bool ComPortRefused() const { return comPortRefused_; }
  // The rate the server last reported for SET-BAUDRATE.
  std::optional<std::uint32_t> ServerRate() const { return serverRate_; }
  void ForgetServerRate() { serverRate_.reset(); }
  std::size_t SubnegotiationBytes() const { return subnegotiation_.size(); }

 private:
  enum class State : std::uint8_t { Data, Iac, Verb, Sub, SubIac };
  enum class Side : std::uint8_t { Off, Asked, On, Refused };

  void Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& replies);
  void EndSubnegotiation();

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  std::vector<std::uint8_t> subnegotiation_;
  bool subnegotiationTooLong_ = false;
  // Per option: whether this client performs it (WILL) and whether the server does (DO).
  std::array<Side, 256> local_{};
  std::array<Side, 256> remote_{};
  bool comPortRefused_ = false;
  std::optional<std::uint32_t> serverRate_;
};

}  // namespace telnet
