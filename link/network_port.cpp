#include "network_port.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <span>
#include <string_view>

namespace {

constexpr std::uint32_t kOpenMs = 3000;
constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kRawScheme = "socket://";
constexpr std::size_t kChunkBytes = 4096;
// What a server may have sent ahead of the reader; beyond it, TCP holds the server back.
constexpr std::size_t kMaxInput = 65536;
// Answers to a server's negotiation beyond this are dropped rather than kept.
constexpr std::size_t kMaxOutgoing = 4096;
// What a server says during the open is kept up to this, for the reason it closes.
constexpr std::size_t kMaxSaid = 256;
// Time for the device server to pass bytes from the connection to its serial line.
constexpr std::chrono::milliseconds kServerMs{100};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

bool IsPortNumber(std::string_view text) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && number > 0 &&
         number <= 65535;
}

// ser2net says why before it closes a connection it cannot serve: "Port already in use" while
// another client has the port, "Device open failure: ..." when the device is not there.
OpenFailure ReasonOfClosing(std::string_view said) {
  if (said.find("in use") != std::string_view::npos) return OpenFailure::Busy;
  if (said.find("open failure") != std::string_view::npos) return OpenFailure::NoDevice;
  return OpenFailure::ClosedByServer;
}

OpenFailure ReasonOf(TcpSocket::Connected connected) {
  switch (connected) {
    case TcpSocket::Connected::Yes:
      return OpenFailure::None;
    case TcpSocket::Connected::NoSuchHost:
      return OpenFailure::NoSuchHost;
    case TcpSocket::Connected::Refused:
      return OpenFailure::ConnectionRefused;
    case TcpSocket::Connected::NoAnswer:
      return OpenFailure::NoAnswer;
    case TcpSocket::Connected::Stopped:
    case TcpSocket::Connected::Other:
      break;
  }
  return OpenFailure::Other;
}

}  // namespace

bool IsNetworkAddress(const std::string& device) {
  return StartsWithNoCase(device, kRfc2217Scheme) || StartsWithNoCase(device, kRawScheme);
}

bool IsRawTcpAddress(const std::string& device) { return StartsWithNoCase(device, kRawScheme); }

std::optional<NetworkAddress> ParseNetworkAddress(const std::string& device) {
  NetworkAddress address;
  std::string_view rest = device;
  if (StartsWithNoCase(rest, kRfc2217Scheme)) {
    rest.remove_prefix(kRfc2217Scheme.size());
  } else if (StartsWithNoCase(rest, kRawScheme)) {
    address.protocol = NetworkProtocol::RawTcp;
    rest.remove_prefix(kRawScheme.size());
  } else {
    return std::nullopt;
  }
  std::string_view host;
  if (rest.starts_with('[')) {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = rest.substr(1, close - 1);
    rest.remove_prefix(close + 1);
    if (!rest.starts_with(':')) return std::nullopt;
  } else {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, colon);
    rest.remove_prefix(colon);
  }
  rest.remove_prefix(1);
  if (host.empty() || host.find_first_of("/[] ") != std::string_view::npos || !IsPortNumber(rest)) {
    return std::nullopt;
  }
  address.host = host;
  address.port = rest;
  return address;
}

OpenFailure NetworkPort::Open(const NetworkAddress& address, std::uint32_t baudRate,
                              int& systemError) {
  Close();
  protocol_ = address.protocol;
  baudRate_ = baudRate;
  const SerialDeadline deadline(kOpenMs);
  const OpenFailure connected =
      ReasonOf(socket_.Connect(address.host, address.port, deadline, keepWaiting_, systemError));
  if (connected != OpenFailure::None || protocol_ == NetworkProtocol::RawTcp) return connected;
  const OpenFailure set = baudRate == 0 ? OpenFailure::RateRefused : SetLine(baudRate, deadline);
  if (set != OpenFailure::None) Close();
  return set;
}

// Offers the options, and once the server takes COM-PORT-OPTION asks for the line; done when
// the server reports the rate. Data arriving before that is from before this connection's
// line (or the server's words before it closes) and is not read.
OpenFailure NetworkPort::SetLine(std::uint32_t baudRate, const SerialDeadline& deadline) {
  outgoing_ = codec_.Opening();
  bool lineAsked = false;
  std::string said;
  const auto keepSaid = [this, &said] {
    const std::size_t kept = std::min(input_.size(), kMaxSaid - said.size());
    said.append(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(kept));
    input_.clear();
  };
  for (;;) {
    FlushOutgoing();
    // What came with the rate's answer is the line's: it stays to be read.
    if (lineAsked && codec_.ServerRate()) {
      return *codec_.ServerRate() == baudRate ? OpenFailure::None : OpenFailure::RateRefused;
    }
    keepSaid();
    // A send that met the closed connection can come before the words that were sent ahead of
    // the close: they are read first.
    const auto closedBecause = [&] {
      while (Pull() == Pulled::Bytes) keepSaid();
      keepSaid();
      return ReasonOfClosing(said);
    };
    if (gone_) return closedBecause();
    if (codec_.ComPortRefused()) return OpenFailure::NotRfc2217;
    if (codec_.ComPortAccepted() && !lineAsked) {
      const std::vector<std::uint8_t> requests = telnet::LineRequests(baudRate);
      outgoing_.insert(outgoing_.end(), requests.begin(), requests.end());
      lineAsked = true;
      // A report the server sent before it had the request is no answer to it.
      codec_.ForgetServerRate();
      continue;
    }
    if (deadline.Passed()) return lineAsked ? OpenFailure::NoAnswer : OpenFailure::NotRfc2217;
    if (Pull() != Pulled::Nothing) continue;
    const TcpSocket::Waited waited = socket_.WaitFor(false, deadline);
    if (waited == TcpSocket::Waited::Gone) return closedBecause();
    if (waited == TcpSocket::Waited::TimedOut && !keepWaiting_()) return OpenFailure::Other;
  }
}

void NetworkPort::Close() {
  socket_.Close();
  codec_ = {};
  input_.clear();
  outgoing_.clear();
  gone_ = false;
  sentBy_.reset();
  ++connection_;
}

int NetworkPort::MillisUntilSent() const {
  if (!sentBy_ || gone_ || !IsOpen()) return 0;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*sentBy_ + kServerMs -
                                                                 std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

NetworkPort::Pulled NetworkPort::Pull() {
  std::array<std::uint8_t, kChunkBytes> chunk{};
  const std::size_t room = std::min(kChunkBytes, kMaxInput - input_.size());
  if (room == 0) return Pulled::Nothing;
  const int moved = socket_.Receive(std::span(chunk).first(room));
  if (moved < 0) {
    gone_ = true;
    return Pulled::Gone;
  }
  if (moved == 0) return Pulled::Nothing;
  const auto bytes = std::span(chunk).first(static_cast<std::size_t>(moved));
  if (protocol_ == NetworkProtocol::RawTcp) {
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    return Pulled::Bytes;
  }
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> answers;
  codec_.Decode(bytes, data, answers);
  input_.insert(input_.end(), data.begin(), data.end());
  if (outgoing_.size() + answers.size() <= kMaxOutgoing) {
    outgoing_.insert(outgoing_.end(), answers.begin(), answers.end());
  }
  FlushOutgoing();
  return Pulled::Bytes;
}

// Sends what can go now without waiting.
void NetworkPort::FlushOutgoing() {
  if (outgoing_.empty() || gone_) return;
  const int moved = socket_.Send(outgoing_);
  if (moved < 0) {
    gone_ = true;
    return;
  }
  outgoing_.erase(outgoing_.begin(), outgoing_.begin() + moved);
}

std::size_t NetworkPort::Take(std::uint8_t* buffer, std::size_t length) {
  const std::size_t count = std::min(length, input_.size());
  std::copy_n(input_.begin(), count, buffer);
  input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
  return count;
}

int NetworkPort::Write(const std::uint8_t* data, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  const std::uint64_t connection = connection_;
  const auto bytes = std::span(data, static_cast<std::size_t>(length));
  // What is owed from before goes first, so the telnet stream stays whole.
  std::vector<std::uint8_t> wire = std::move(outgoing_);
  outgoing_.clear();
  const std::size_t owed = wire.size();
  const bool escaped = protocol_ == NetworkProtocol::Rfc2217;
  if (escaped) {
    telnet::AppendEscaped(bytes, wire);
  } else {
    wire.insert(wire.end(), bytes.begin(), bytes.end());
  }

  std::size_t sent = 0;
  while (!gone_ && sent < wire.size()) {
    const int moved = socket_.Send(std::span(wire).subspan(sent));
    if (moved < 0) {
      gone_ = true;
      break;
    }
    sent += static_cast<std::size_t>(moved);
    if (sent == wire.size() || deadline.Passed()) break;
    const TcpSocket::Waited waited = socket_.WaitFor(true, deadline);
    if (waited == TcpSocket::Waited::Gone) {
      gone_ = true;
      break;
    }
    if (waited == TcpSocket::Waited::TimedOut && !keepWaiting_()) break;
  }
  // A hook that closed the port, or opened another, took the connection this wrote to.
  const bool sameConnection = connection == connection_;
  if (sent < owed) {
    if (sameConnection) {
      outgoing_.assign(wire.begin() + static_cast<std::ptrdiff_t>(sent),
                       wire.begin() + static_cast<std::ptrdiff_t>(owed));
    }
    return 0;
  }
  // A data byte counts as written once its first wire byte is out; the second half of a cut
  // 0xFF pair is owed to the next send on this connection.
  int count = 0;
  for (std::size_t position = owed; position < sent; ++count) {
    const bool pair = escaped && bytes[static_cast<std::size_t>(count)] == telnet::kIac;
    const std::size_t width = pair ? 2 : 1;
    if (position + width > sent && sameConnection) outgoing_.push_back(telnet::kIac);
    position += width;
  }
  if (sameConnection && count > 0 && baudRate_ > 0) {
    // Ten bits a byte on the line, after what went before it.
    const auto now = std::chrono::steady_clock::now();
    const auto start = sentBy_ ? std::max(*sentBy_, now) : now;
    sentBy_ = start + std::chrono::microseconds(static_cast<std::int64_t>(count) * 10 * 1000000 /
                                                baudRate_);
  }
  return count;
}

int NetworkPort::Read(std::uint8_t* buffer, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  const auto wanted = static_cast<std::size_t>(length);
  std::size_t count = 0;
  SerialDeadline nextHook(kWaitSliceMs);
  for (;;) {
    count += Take(buffer + count, wanted - count);
    // An answer has come: what was written before it has left.
    if (count > 0) sentBy_.reset();
    if (count == wanted || gone_) return static_cast<int>(count);
    const Pulled pulled = Pull();
    if (pulled == Pulled::Gone || !input_.empty()) continue;
    if (deadline.Passed()) return static_cast<int>(count);
    bool hookDue = nextHook.Passed();
    if (pulled == Pulled::Nothing) {
      const TcpSocket::Waited waited = socket_.WaitFor(false, deadline);
      if (waited == TcpSocket::Waited::Gone) gone_ = true;
      hookDue = hookDue || waited == TcpSocket::Waited::TimedOut;
    }
    // A server that sends only telnet commands still lets the hook run every slice.
    if (hookDue) {
      if (!keepWaiting_()) return static_cast<int>(count);
      nextHook = SerialDeadline(kWaitSliceMs);
    }
  }
}

bool NetworkPort::DiscardInput() {
  if (!IsOpen() || gone_) return false;
  if (protocol_ == NetworkProtocol::Rfc2217) {
    const std::vector<std::uint8_t> purge =
        telnet::ComPortRequest(telnet::kPurgeData, std::span(&telnet::kPurgeReceived, 1));
    outgoing_.insert(outgoing_.end(), purge.begin(), purge.end());
  }
  // What has arrived so far, at most a buffer's worth, so a flooding server cannot hold it.
  for (std::size_t pulls = 0; pulls < kMaxInput / kChunkBytes && Pull() == Pulled::Bytes; ++pulls) {
    input_.clear();
  }
  input_.clear();
  FlushOutgoing();
  return !gone_;
}
