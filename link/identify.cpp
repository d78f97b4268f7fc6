#include "identify.h"

#include <array>
#include <span>

#include "serial.h"

namespace printer {

IdentifyResult AskModel(Tserial& serial, std::uint32_t timeoutMs) {
  return AskModel(serial, EncodeIdentify(), timeoutMs);
}

IdentifyResult AskModel(Tserial& serial, std::span<const std::uint8_t> query,
                        std::uint32_t timeoutMs) {
  serial.DiscardInput();
  serial.Write(query.data(), static_cast<int>(query.size()), kTimeoutMs);
  std::array<std::uint8_t, kIdentifyReplyLength> reply{};
  IdentifyResult result;
  result.answered =
      serial.Read(reply.data(), kIdentifyReplyLength, timeoutMs) == kIdentifyReplyLength;
  if (!result.answered) return result;
  result.model = ModelNameFromReply(std::span<const std::uint8_t>(reply));
  result.family = Classify(result.model);
  return result;
}

}  // namespace printer
