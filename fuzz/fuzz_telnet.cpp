// The telnet decoder of the RFC 2217 client fed any server bytes, split wherever the fuzzer
// chooses, and the encoder's escaping read back.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "require.h"
#include "telnet_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kLongestPiece = 64;

struct Decoded {
  Bytes data;
  Bytes replies;
};

// Every reply is one whole negotiation command: IAC, WILL to DONT, an option.
bool WholeCommands(const Bytes& replies) {
  if (replies.size() % 3 != 0) return false;
  for (std::size_t at = 0; at < replies.size(); at += 3) {
    if (replies[at] != telnet::kIac || replies[at + 1] < telnet::kWill) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Piece lengths come from the end of the input, the bytes from its front.
  FuzzedDataProvider provider(data, size);
  telnet::Codec codec;
  codec.Opening();
  Bytes fed;
  Decoded inPieces;
  while (provider.remaining_bytes() > 0) {
    const Bytes piece = provider.ConsumeBytes<std::uint8_t>(
        provider.ConsumeIntegralInRange<std::size_t>(0, kLongestPiece));
    fed.insert(fed.end(), piece.begin(), piece.end());
    Decoded out;
    codec.Decode(piece, out.data, out.replies);
    Require(out.data.size() <= piece.size(), "no more data than bytes came");
    Require(codec.SubnegotiationBytes() <= telnet::kMaxSubnegotiation,
            "a subnegotiation is held to its bound");
    inPieces.data.insert(inPieces.data.end(), out.data.begin(), out.data.end());
    inPieces.replies.insert(inPieces.replies.end(), out.replies.begin(), out.replies.end());
  }
  Require(inPieces.replies.size() <= fed.size(), "no more answers than bytes came");
  Require(WholeCommands(inPieces.replies), "answers are whole negotiation commands");
  Require(std::count(fed.begin(), fed.end(), telnet::kIac) != 0 || inPieces.data == fed,
          "bytes without IAC are data as they are");

  telnet::Codec whole;
  whole.Opening();
  Decoded atOnce;
  whole.Decode(fed, atOnce.data, atOnce.replies);
  Require(atOnce.data == inPieces.data && atOnce.replies == inPieces.replies,
          "the split changes nothing");
  Require(whole.ServerRate() == codec.ServerRate() &&
              whole.ComPortAccepted() == codec.ComPortAccepted() &&
              whole.ComPortRefused() == codec.ComPortRefused(),
          "the split changes no state");

  Bytes escaped;
  telnet::AppendEscaped(fed, escaped);
  telnet::Codec reader;
  Decoded readBack;
  reader.Decode(escaped, readBack.data, readBack.replies);
  Require(readBack.data == fed && readBack.replies.empty(), "escaped data reads back as it was");
  return 0;
}
