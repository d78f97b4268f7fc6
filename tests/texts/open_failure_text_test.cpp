// The sentence that says why a port would not open, with its device, group, holder or rate
// filled in, in both languages.
#include <gtest/gtest.h>

#include "open_failure_text.h"
#include "serial.h"

namespace {

using texts::OpenFailureText;

OpenError Error(OpenFailure reason, const char* detail = "") {
  return {reason, "/dev/ttyUSB0", detail, 0};
}

// The sentences the window shows are checked there against real ports; these are the ones a
// pseudo-terminal cannot cause, and the substitutions.
TEST(OpenFailureText, FillsInGroupRateAndPathAsTheyAre) {
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Permission, "dialout"), 9600,
                            InterfaceLanguage::Bulgarian),
            "Нямате право да отворите /dev/ttyUSB0. Добавете потребителя си в групата "
            "\"dialout\" (sudo usermod -aG dialout $USER) и влезте отново.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Permission), 9600, InterfaceLanguage::English),
            "No permission to open /dev/ttyUSB0.")
      << "no group to name";
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Busy), 9600, InterfaceLanguage::English),
            "/dev/ttyUSB0 is in use by another program.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::RateRefused), 57600, InterfaceLanguage::English),
            "/dev/ttyUSB0 does not support 57600 bps.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Console), 9600, InterfaceLanguage::English),
            "/dev/ttyUSB0 is the system console.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Console), 9600, InterfaceLanguage::Bulgarian),
            "/dev/ttyUSB0 е системната конзола.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Other), 9600, InterfaceLanguage::English), "");
  EXPECT_EQ(OpenFailureText({OpenFailure::NoDevice, "/tmp/%2%1", "", 0}, 9600,
                            InterfaceLanguage::English),
            "There is no device at /tmp/%2%1.");
}

// The network reasons as a real open gives them: the address, and for an unknown host its name.
TEST(OpenFailureText, NamesTheAddressOfANetworkPort) {
  Tserial serial;
  ASSERT_FALSE(serial.OpenDevice("rfc2217://shop12.invalid:7000", 9600));
  EXPECT_EQ(OpenFailureText(serial.LastOpenError(), 9600, InterfaceLanguage::English),
            "There is no host called \"shop12.invalid\" (rfc2217://shop12.invalid:7000).");
  EXPECT_EQ(OpenFailureText(serial.LastOpenError(), 9600, InterfaceLanguage::Bulgarian),
            "Няма хост с име \"shop12.invalid\" (rfc2217://shop12.invalid:7000).");
  const OpenError notRfc2217{OpenFailure::NotRfc2217, "rfc2217://10.0.0.5:4001", "", 0};
  EXPECT_EQ(OpenFailureText(notRfc2217, 9600, InterfaceLanguage::English),
            "rfc2217://10.0.0.5:4001 is not an RFC 2217 server. If it passes the bytes only, use "
            "socket:// instead of rfc2217://.");
  const OpenError silent{OpenFailure::NoAnswer, "socket://10.0.0.5:4001", "", 0};
  EXPECT_EQ(OpenFailureText(silent, 9600, InterfaceLanguage::Bulgarian),
            "socket://10.0.0.5:4001 не отговори в рамките на 3 секунди.");
}

}  // namespace
