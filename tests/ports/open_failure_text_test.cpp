// The sentence that says why a port would not open, with its device, group, holder or rate
// filled in, in both languages.
#include <gtest/gtest.h>

#include "open_failure_text.h"

namespace {

using ports::OpenFailureText;
using ports::TextLanguage;

OpenError Error(OpenFailure reason, const char* detail = "") {
  return {reason, "/dev/ttyUSB0", detail, 0};
}

// The sentences the window shows are checked there against real ports; these are the ones a
// pseudo-terminal cannot cause, and the substitutions.
TEST(OpenFailureText, FillsInGroupRateAndPathAsTheyAre) {
  EXPECT_EQ(
      OpenFailureText(Error(OpenFailure::Permission, "dialout"), 9600, TextLanguage::Bulgarian),
      "Нямате право да отворите /dev/ttyUSB0. Добавете потребителя си в групата "
      "\"dialout\" (sudo usermod -aG dialout $USER) и влезте отново.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Permission), 9600, TextLanguage::English),
            "No permission to open /dev/ttyUSB0.")
      << "no group to name";
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Busy), 9600, TextLanguage::English),
            "/dev/ttyUSB0 is in use by another program.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::RateRefused), 57600, TextLanguage::English),
            "/dev/ttyUSB0 does not support 57600 bps.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Console), 9600, TextLanguage::English),
            "/dev/ttyUSB0 is the system console.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Console), 9600, TextLanguage::Bulgarian),
            "/dev/ttyUSB0 е системната конзола.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Other), 9600, TextLanguage::English), "");
  EXPECT_EQ(
      OpenFailureText({OpenFailure::NoDevice, "/tmp/%2%1", "", 0}, 9600, TextLanguage::English),
      "There is no device at /tmp/%2%1.");
}

}  // namespace
