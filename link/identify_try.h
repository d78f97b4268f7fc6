#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "printer.h"
#include "serial.h"

// One identify on a port of its own, the step that the printer search and the wait for a
// restarted printer repeat over ports and rates.
namespace printer {

// Asked about every 10 ms while a try waits on the port; true ends the try at once. May be
// empty.
using StopRequest = std::function<bool()>;

// How long a try waits for the reply at a rate: the wire time of the query and the reply
// (34 bytes of 10 bits each) and 150 ms for the printer to start answering.
std::uint32_t ReplyWaitMs(std::uint32_t baudRate);

enum class TryOutcome {
  Supported,    // a whole reply carrying a name of the model table
  Unsupported,  // a whole reply carrying any other name
  NoAnswer,     // no whole reply in time
  OpenFailed,   // the port did not open at the rate; openError says why
  Stopped,      // a stop request ended the try
};

struct TryResult {
  TryOutcome outcome = TryOutcome::NoAnswer;
  std::string model;  // the name the reply carries, trimmed
  int family = kNoFamily;
  OpenError openError;
  bool bufferCleared = false;  // ESC @ went out after the reply
};

// ESC @ on an open port: the printer drops what it made of bytes it could not read (queries at
// wrong rates) instead of printing it. False when it did not go out whole.
bool ClearPrintBuffer(Tserial& serial);

// Opens device at baudRate, asks for the model within ReplyWaitMs, classifies the name and
// closes the port. With clearBuffer set, a supported printer gets ESC @ before the port closes,
// so what it made of bytes sent at wrong rates is not printed.
TryResult TryIdentify(const std::string& device, std::uint32_t baudRate, const StopRequest& stop,
                      bool clearBuffer = false);

}  // namespace printer
