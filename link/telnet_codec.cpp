#include "telnet_codec.h"

namespace telnet {
namespace {

bool WantedHere(std::uint8_t option) {
  return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

// The server acts on COM-PORT-OPTION, the client does not.
bool WantedThere(std::uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }

void AppendCommand(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option) {
  out.insert(out.end(), {kIac, verb, option});
}

}  // namespace

void AppendEscaped(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& wire) {
  for (const std::uint8_t byte : data) {
    wire.push_back(byte);
    if (byte == kIac) wire.push_back(kIac);
  }
}

std::vector<std::uint8_t> ComPortRequest(std::uint8_t command,
                                         std::span<const std::uint8_t> value) {
  std::vector<std::uint8_t> wire = {kIac, kSb, kComPort, command};
  AppendEscaped(value, wire);
  wire.insert(wire.end(), {kIac, kSe});
  return wire;
}

std::vector<std::uint8_t> LineRequests(std::uint32_t baudRate) {
  const std::array<std::uint8_t, 4> rate = {
      static_cast<std::uint8_t>(baudRate >> 24), static_cast<std::uint8_t>(baudRate >> 16),
      static_cast<std::uint8_t>(baudRate >> 8), static_cast<std::uint8_t>(baudRate)};
  std::vector<std::uint8_t> wire = ComPortRequest(kSetBaudRate, rate);
  const std::array<std::array<std::uint8_t, 2>, 5> settings = {{{kSetDataSize, kDataSize8},
                                                                {kSetParity, kParityNone},
                                                                {kSetStopSize, kOneStopBit},
                                                                {kSetControl, kNoFlowControl},
                                                                {kSetControl, kDtrOff}}};
  for (const auto& [command, value] : settings) {
    const std::vector<std::uint8_t> request = ComPortRequest(command, std::span(&value, 1));
    wire.insert(wire.end(), request.begin(), request.end());
  }
  return wire;
}

std::vector<std::uint8_t> Codec::Opening() {
  std::vector<std::uint8_t> wire;
  for (const std::uint8_t option : {kBinary, kSuppressGoAhead, kComPort}) {
    local_[option] = Side::Asked;
    AppendCommand(wire, kWill, option);
    if (WantedThere(option)) {
      remote_[option] = Side::Asked;
      AppendCommand(wire, kDo, option);
    }
  }
  return wire;
}

void Codec::Decode(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                   std::vector<std::uint8_t>& replies) {
  for (const std::uint8_t byte : bytes) {
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Iac;
        } else {
          data.push_back(byte);
        }
        break;
      case State::SubIac:
        if (byte == kIac) {
          state_ = State::Sub;
          if (subnegotiation_.size() < kMaxSubnegotiation) {
            subnegotiation_.push_back(byte);
          } else {
            subnegotiationTooLong_ = true;
          }
          break;
        }
        if (byte == kSe) {
          EndSubnegotiation();
          state_ = State::Data;
          break;
        }
        // Any other command ends a broken subnegotiation and counts as it is.
        subnegotiation_.clear();
        subnegotiationTooLong_ = false;
        [[fallthrough]];
      case State::Iac:
        state_ = State::Data;
        if (byte == kIac) {
          data.push_back(byte);
        } else if (byte >= kWill && byte <= kDont) {
          verb_ = byte;
          state_ = State::Verb;
        } else if (byte == kSb) {
          state_ = State::Sub;
        }
        break;
      case State::Verb:
        Negotiate(verb_, byte, replies);
        state_ = State::Data;
        break;
      case State::Sub:
        if (byte == kIac) {
          state_ = State::SubIac;
        } else if (subnegotiation_.size() < kMaxSubnegotiation) {
          subnegotiation_.push_back(byte);
        } else {
          subnegotiationTooLong_ = true;
        }
        break;
    }
  }
}

// Answers only a change of state, so that two parties never answer each other for ever; an
// unwanted option is refused once.
void Codec::Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& replies) {
  const bool askToEnable = verb == kDo || verb == kWill;
  const bool aboutHere = verb == kDo || verb == kDont;
  Side& side = aboutHere ? local_[option] : remote_[option];
  const bool wanted = aboutHere ? WantedHere(option) : WantedThere(option);
  const std::uint8_t agree = aboutHere ? kWill : kDo;
  const std::uint8_t refuse = aboutHere ? kWont : kDont;
  if (aboutHere && option == kComPort && !askToEnable) comPortRefused_ = true;

  if (askToEnable) {
    if (!wanted) {
      if (side != Side::Refused) AppendCommand(replies, refuse, option);
      side = Side::Refused;
      return;
    }
    if (side == Side::Off) AppendCommand(replies, agree, option);
    side = Side::On;
    return;
  }
  if (side == Side::On) AppendCommand(replies, refuse, option);
  if (side != Side::Refused) side = Side::Off;
}

void Codec::EndSubnegotiation() {
  constexpr std::size_t kRateAnswerLength = 6;  // option, command, four bytes of rate
  const bool rateAnswer = !subnegotiationTooLong_ && subnegotiation_.size() == kRateAnswerLength &&
                          subnegotiation_[0] == kComPort &&
                          subnegotiation_[1] == kServerAnswer + kSetBaudRate;
  if (rateAnswer) {
    serverRate_ = static_cast<std::uint32_t>(subnegotiation_[2]) << 24 |
                  static_cast<std::uint32_t>(subnegotiation_[3]) << 16 |
                  static_cast<std::uint32_t>(subnegotiation_[4]) << 8 | subnegotiation_[5];
  }
  subnegotiation_.clear();
  subnegotiationTooLong_ = false;
}

}  // namespace telnet
