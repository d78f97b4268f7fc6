#include "identify_try.h"

#include "identify.h"

namespace printer {
namespace {

constexpr std::uint32_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr std::uint32_t kQueryAndReplyBytes = 2 + kIdentifyReplyLength;
constexpr std::uint32_t kAnswerDelayMs = 150;
constexpr std::uint32_t kSlowestRate = 1200;

}  // namespace

std::uint32_t ReplyWaitMs(std::uint32_t baudRate) {
  if (baudRate == 0) return kAnswerDelayMs;
  const std::uint32_t bitsMs = kQueryAndReplyBytes * kBitsPerByte * 1000;
  return (bitsMs + baudRate - 1) / baudRate + kAnswerDelayMs;
}

bool ClearPrintBuffer(Tserial& serial) {
  const Initialize initialize = EncodeInitialize();
  const int length = static_cast<int>(initialize.size());
  return serial.Write(initialize.data(), length, kTimeoutMs) == length;
}

TryResult TryIdentify(const std::string& device, std::uint32_t baudRate, const StopRequest& stop,
                      bool clearBuffer) {
  const auto stopRequested = [&stop] { return stop && stop(); };
  TryResult result;
  if (stopRequested()) {
    result.outcome = TryOutcome::Stopped;
    return result;
  }
  Tserial serial;
  serial.SetWaitHook([&stopRequested] { return !stopRequested(); });
  serial.SetOpenStop(stopRequested);
  if (!serial.OpenDevice(device, baudRate)) {
    // A network port's connect can be what the stop request ended.
    result.outcome = stopRequested() ? TryOutcome::Stopped : TryOutcome::OpenFailed;
    result.openError = serial.LastOpenError();
    return result;
  }
  // Behind a raw-TCP port the line may run at the slowest rate whatever was asked.
  const IdentifyResult reply =
      AskModel(serial, ReplyWaitMs(serial.RateSetByServer() ? kSlowestRate : baudRate));
  if (!reply.answered) {
    result.outcome = stopRequested() ? TryOutcome::Stopped : TryOutcome::NoAnswer;
    return result;
  }
  result.model = reply.model;
  result.family = reply.family;
  result.outcome = reply.family == kNoFamily ? TryOutcome::Unsupported : TryOutcome::Supported;
  if (clearBuffer && result.outcome == TryOutcome::Supported) {
    result.bufferCleared = ClearPrintBuffer(serial);
  }
  return result;
}

}  // namespace printer
