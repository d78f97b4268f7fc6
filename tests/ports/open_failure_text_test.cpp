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

TEST(OpenFailureText, NamesTheDeviceAndWhatKeepsItClosed) {
  constexpr auto en = TextLanguage::English;
  constexpr auto bg = TextLanguage::Bulgarian;
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::NoDevice), 9600, en),
            "There is no device at /dev/ttyUSB0.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Permission, "dialout"), 9600, en),
            "No permission to open /dev/ttyUSB0. Add your user to the group \"dialout\" (sudo "
            "usermod -aG dialout $USER) and log in again.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Permission, "dialout"), 9600, bg),
            "Нямате право да отворите /dev/ttyUSB0. Добавете потребителя си в групата "
            "\"dialout\" (sudo usermod -aG dialout $USER) и влезте отново.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Permission), 9600, en),
            "No permission to open /dev/ttyUSB0.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Busy, "minicom, process 4242"), 9600, bg),
            "/dev/ttyUSB0 се използва от друга програма (minicom, process 4242).");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Busy), 9600, en),
            "/dev/ttyUSB0 is in use by another program.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::NotSerial), 9600, bg),
            "/dev/ttyUSB0 не е сериен порт.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::RateRefused), 57600, en),
            "/dev/ttyUSB0 does not support 57600 bps.");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::Other), 9600, en), "");
  EXPECT_EQ(OpenFailureText(Error(OpenFailure::None), 9600, en), "");
  EXPECT_EQ(OpenFailureText({OpenFailure::NoDevice, "/tmp/%2%1", "", 0}, 9600, en),
            "There is no device at /tmp/%2%1.")
      << "a path is shown as it is";
}

}  // namespace
