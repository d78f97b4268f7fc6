#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "printer.h"

class Tserial;

namespace printer {

struct IdentifyResult {
  bool answered = false;  // a whole 32-byte reply arrived in time
  std::string model;      // the name it carries, trimmed
  int family = kNoFamily;
};

// Asks the printer on an open port for its name: drops input left waiting (chatter or an old
// reply would pass for the answer), writes ESC Z and reads the 32-byte reply within timeoutMs.
IdentifyResult AskModel(Tserial& serial, std::uint32_t timeoutMs = kTimeoutMs);
// The same with the query's bytes as a step of a send carries them.
IdentifyResult AskModel(Tserial& serial, std::span<const std::uint8_t> query,
                        std::uint32_t timeoutMs = kTimeoutMs);

}  // namespace printer
