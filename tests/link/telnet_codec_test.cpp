// The telnet decoder and encoder of the RFC 2217 client: what it answers a server's
// negotiation, what it makes of data and subnegotiations, however the bytes are cut.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "telnet_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace telnet;

struct Decoded {
  Bytes data;
  Bytes replies;
};

Decoded DecodeInPieces(Codec& codec, const Bytes& bytes, std::size_t pieceLength) {
  Decoded out;
  for (std::size_t at = 0; at < bytes.size(); at += pieceLength) {
    const std::size_t length = std::min(pieceLength, bytes.size() - at);
    codec.Decode(std::span(bytes).subspan(at, length), out.data, out.replies);
  }
  return out;
}

TEST(TelnetCodec, AnswersSer2netsOpeningByRefusingEchoAlone) {
  // What ser2net 4.3 sends first: WILL and DO SUPPRESS-GO-AHEAD, WILL ECHO, DONT ECHO, DO and
  // WILL BINARY, DO COM-PORT-OPTION.
  const Bytes greeting = {0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x03, 0xFF, 0xFB, 0x01, 0xFF, 0xFE,
                          0x01, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x2C};
  for (const std::size_t piece : {greeting.size(), std::size_t{1}, std::size_t{2}}) {
    Codec codec;
    EXPECT_EQ(codec.Opening(), Bytes({0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x03, 0xFF,
                                      0xFD, 0x03, 0xFF, 0xFB, 0x2C}));
    const Decoded decoded = DecodeInPieces(codec, greeting, piece);
    EXPECT_TRUE(decoded.data.empty());
    EXPECT_EQ(decoded.replies, Bytes({0xFF, 0xFE, 0x01})) << "pieces of " << piece;
    EXPECT_TRUE(codec.ComPortAccepted());
    EXPECT_FALSE(codec.ComPortRefused());
  }
}

TEST(TelnetCodec, RefusesAnUnwantedOptionOnceAndAnswersOnlyChanges) {
  Codec codec;
  codec.Opening();
  const Bytes asks = {0xFF, 0xFD, 0x18, 0xFF, 0xFD, 0x18, 0xFF, 0xFB, 0x1F, 0xFF, 0xFB,
                      0x1F, 0xFF, 0xFD, 0x00, 0xFF, 0xFD, 0x00, 0xFF, 0xFE, 0x00};
  const Decoded decoded = DecodeInPieces(codec, asks, asks.size());
  // WONT TERMINAL-TYPE, DONT NAWS; BINARY agrees silently as asked, then its DONT is answered.
  EXPECT_EQ(decoded.replies, Bytes({0xFF, 0xFC, 0x18, 0xFF, 0xFE, 0x1F, 0xFF, 0xFC, 0x00}));

  Codec refused;
  refused.Opening();
  DecodeInPieces(refused, {0xFF, 0xFE, 0x2C}, 3);
  EXPECT_TRUE(refused.ComPortRefused());
  EXPECT_FALSE(refused.ComPortAccepted());
}

TEST(TelnetCodec, DataAndTheRateAnswerSurviveEscapesAndAnyCut) {
  Bytes wire = {'a'};
  AppendEscaped(Bytes({0xFF, 'b', 0xFF, 0xFF}), wire);
  // The rate answer 0x0000FFFF (an escaped byte inside), a NOP, a stray SE, then data.
  const Bytes rate = ComPortRequest(kServerAnswer + kSetBaudRate, Bytes({0, 0, 0xFF, 0xFF}));
  wire.insert(wire.end(), rate.begin(), rate.end());
  wire.insert(wire.end(), {0xFF, 0xF1, 0xFF, 0xF0, 'z'});
  for (std::size_t piece = 1; piece <= wire.size(); ++piece) {
    Codec codec;
    const Decoded decoded = DecodeInPieces(codec, wire, piece);
    EXPECT_EQ(decoded.data, Bytes({'a', 0xFF, 'b', 0xFF, 0xFF, 'z'})) << "pieces of " << piece;
    EXPECT_EQ(codec.ServerRate(), 0xFFFFu);
  }
}

TEST(TelnetCodec, AnEndlessSubnegotiationIsHeldToItsBoundAndACommandEndsIt) {
  Codec codec;
  Bytes endless = {0xFF, 0xFA, 0x2C, 0x65};
  endless.insert(endless.end(), 100000, 0x01);
  const Decoded decoded = DecodeInPieces(codec, endless, 4096);
  EXPECT_TRUE(decoded.data.empty());
  EXPECT_LE(codec.SubnegotiationBytes(), kMaxSubnegotiation);

  // IAC DO inside it ends the broken subnegotiation and is taken as a request.
  const Decoded after = DecodeInPieces(codec, {0xFF, 0xFD, 0x18, 'k'}, 4);
  EXPECT_EQ(after.replies, Bytes({0xFF, 0xFC, 0x18}));
  EXPECT_EQ(after.data, Bytes({'k'}));
  EXPECT_EQ(codec.SubnegotiationBytes(), 0u);
  EXPECT_FALSE(codec.ServerRate());
}

TEST(TelnetCodec, TheLineRequestsSetTheRateAndAn8N1LineWithoutFlowControlOrDtr) {
  const Bytes expected = {0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x09, 0x60, 0xFF, 0xF0,  // 2400
                          0xFF, 0xFA, 0x2C, 0x02, 0x08, 0xFF, 0xF0,                    // 8 bits
                          0xFF, 0xFA, 0x2C, 0x03, 0x01, 0xFF, 0xF0,                    // no parity
                          0xFF, 0xFA, 0x2C, 0x04, 0x01, 0xFF, 0xF0,                    // 1 stop
                          0xFF, 0xFA, 0x2C, 0x05, 0x01, 0xFF, 0xF0,                    // no flow
                          0xFF, 0xFA, 0x2C, 0x05, 0x09, 0xFF, 0xF0};                   // DTR off
  EXPECT_EQ(LineRequests(2400), expected);
}

}  // namespace
