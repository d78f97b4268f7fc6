#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "command_decoder.h"

// The printer's paper: the text it receives, line by line as a real printer prints it.
namespace vprinter {

using printer::CommandKind;
using printer::DecodedCommand;

inline constexpr const char* kCutLine = "-- cut --";

class Paper {
 public:
  // The lines this command finishes, as UTF-8. A line feed ends a line; each byte is read in the
  // code page ESC t chose before it, "?" where the code page is unknown or does not define it. A
  // cut prints the unfinished line, then kCutLine. ESC @ drops the unfinished line and goes back to
  // code page 0.
  std::vector<std::string> Print(const DecodedCommand& command);

 private:
  std::vector<std::string> PrintText(std::span<const std::uint8_t> bytes);

  int codePage_ = 0;
  std::string line_;  // received, not yet printed
};

}  // namespace vprinter
