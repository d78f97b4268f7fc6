#include "printer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A full identification reply: text from byte 0, the rest filled with fill.
std::array<std::uint8_t, printer::kIdentifyReplyLength> Reply(std::string_view text,
                                                              std::uint8_t fill = 0) {
  std::array<std::uint8_t, printer::kIdentifyReplyLength> reply{};
  reply.fill(fill);
  std::copy_n(text.begin(), std::min(text.size(), reply.size()), reply.begin());
  return reply;
}

int FamilyOfReply(std::string_view text, std::uint8_t fill = 0) {
  return printer::Classify(printer::ModelNameFromReply(Reply(text, fill)));
}

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& array) {
  return Bytes(array.begin(), array.end());
}

TEST(IdentifyReply, NameEndsAtFirstZeroAndIsTrimmed) {
  EXPECT_EQ(printer::ModelNameFromReply(Reply("  Tavrin MR2200T   ")), "Tavrin MR2200T");
  EXPECT_EQ(printer::ModelNameFromReply(Reply("\t\r\nQAV MR71C Printer\x01\x20")),
            "QAV MR71C Printer");
  EXPECT_EQ(printer::ModelNameFromReply(Reply(std::string_view("AB\0CD", 5), 0x20)), "AB");
  EXPECT_EQ(printer::ModelNameFromReply(Reply("", 0x20)), "");
  EXPECT_EQ(printer::ModelNameFromReply(Reply("")), "");
}

TEST(IdentifyReply, OnlyTheFirst21BytesCount) {
  const auto reply = Reply("Tavrin MR460V Printer and more text", 'X');
  EXPECT_EQ(printer::ModelNameFromReply(reply), "Tavrin MR460V Printer");
  // Bytes 21..31 are never part of the name, not even when byte 21 is the only 0.
  auto withZeroAfterField = Reply("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 'Z');
  withZeroAfterField[21] = 0;
  EXPECT_EQ(printer::ModelNameFromReply(withZeroAfterField), "ABCDEFGHIJKLMNOPQRSTU");
}

TEST(IdentifyReply, BytesAbove0x7FAreKeptAndNotTrimmed) {
  const auto name = printer::ModelNameFromReply(Reply("\xC0 Printer \xFF"));
  EXPECT_EQ(name, "\xC0 Printer \xFF");
}

TEST(IdentifyReply, ShorterInputIsReadAsFarAsItGoes) {
  const Bytes partial = {' ', 'J', 'O', 'X'};
  EXPECT_EQ(printer::ModelNameFromReply(partial), "JOX");
  EXPECT_EQ(printer::ModelNameFromReply({}), "");
}

TEST(ModelTable, EveryListedNameHasItsFamily) {
  EXPECT_EQ(printer::Classify("Tavrin MR71C Printer"), 0);
  EXPECT_EQ(printer::Classify("QAV MR71C Printer"), 0);
  EXPECT_EQ(printer::Classify("JOX MR71C Printer"), 0);
  EXPECT_EQ(printer::Classify("Tavrin MR460V Printer"), 1);
  EXPECT_EQ(printer::Classify("Tavrin MR2200T"), 2);
}

TEST(ModelTable, ComparisonIsWholeAndCaseSensitive) {
  EXPECT_EQ(printer::Classify("tavrin MR71C Printer"), printer::kNoFamily);
  EXPECT_EQ(printer::Classify("Tavrin MR71C"), printer::kNoFamily);
  EXPECT_EQ(printer::Classify("Tavrin MR71C Printer2"), printer::kNoFamily);
  EXPECT_EQ(printer::Classify("Tavrin MR2200"), printer::kNoFamily);
  EXPECT_EQ(printer::Classify(""), printer::kNoFamily);
}

TEST(ModelTable, RepliesAsPrintersSendThem) {
  EXPECT_EQ(FamilyOfReply("  Tavrin MR2200T   "), 2);
  EXPECT_EQ(FamilyOfReply("  Tavrin MR2200T", 0x20), 2);
  EXPECT_EQ(FamilyOfReply("Tavrin MR71C Printer"), 0);
  EXPECT_EQ(FamilyOfReply("Tavrin MR460V Printer", 0xFF), 1);
  // Two leading blanks push the last letter out of the 21-byte field.
  EXPECT_EQ(printer::ModelNameFromReply(Reply("  Tavrin MR71C Printer")), "Tavrin MR71C Printe");
  EXPECT_EQ(FamilyOfReply("  Tavrin MR71C Printer"), printer::kNoFamily);
  EXPECT_EQ(FamilyOfReply("tavrin MR71C Printer"), printer::kNoFamily);
  EXPECT_EQ(FamilyOfReply("Tavrin MR460V Printer with a long tail"), 1);
  EXPECT_EQ(FamilyOfReply("Tavrin MR71C Printers"), printer::kNoFamily);
}

TEST(ModelTable, TheLongFamily2NameIsRecognisedByItsFirst21Characters) {
  EXPECT_EQ(FamilyOfReply("Tavrin MR2200K Printer"), 2);
  EXPECT_EQ(FamilyOfReply("Tavrin MR2200K Printer", 0x20), 2);
  EXPECT_EQ(printer::Classify("Tavrin MR2200K Printe"), 2);
  // Shifted by a blank, the cut falls elsewhere and the name is no longer known.
  EXPECT_EQ(FamilyOfReply(" Tavrin MR2200K Printer"), printer::kNoFamily);
  EXPECT_EQ(FamilyOfReply("  Tavrin MR2200K Printer"), printer::kNoFamily);
  EXPECT_EQ(printer::Classify("Tavrin MR2200K Print"), printer::kNoFamily);
  EXPECT_EQ(printer::Classify("Tavrin MR2200K"), printer::kNoFamily);
}

TEST(Commands, FixedCommands) {
  EXPECT_EQ(ToBytes(printer::EncodeIdentify()), (Bytes{0x1B, 0x5A}));
  EXPECT_EQ(ToBytes(printer::EncodeSettingsEnd()), (Bytes{0x1B, 0x3E, 0x00}));
  EXPECT_EQ(ToBytes(printer::EncodeClosing()), (Bytes{0x1B, 0x54}));
}

TEST(Commands, SettingsBlockCarriesTheFourIndicesInOrder) {
  EXPECT_EQ(ToBytes(printer::EncodeSettingsBlock(3, 0, 0, 0)),
            (Bytes{0x1B, 0x59, 0x03, 0x1B, 0x58, 0x00, 0x1B, 0x52, 0x00, 0x1B, 0x74, 0x00}));
  EXPECT_EQ(ToBytes(printer::EncodeSettingsBlock(3, 1, 2, 15)),
            (Bytes{0x1B, 0x59, 0x03, 0x1B, 0x58, 0x01, 0x1B, 0x52, 0x02, 0x1B, 0x74, 0x0F}));
  EXPECT_EQ(ToBytes(printer::EncodeSettingsBlock(5, 3, -1, 19)),
            (Bytes{0x1B, 0x59, 0x05, 0x1B, 0x58, 0x03, 0x1B, 0x52, 0xFF, 0x1B, 0x74, 0x13}));
}

TEST(Commands, DipSwitch) {
  EXPECT_EQ(ToBytes(printer::EncodeDipSwitch(6, 0)), (Bytes{0x1D, 0x29, 0x06, 0x00}));
  EXPECT_EQ(ToBytes(printer::EncodeDipSwitch(8, 1)), (Bytes{0x1D, 0x29, 0x08, 0x01}));
  EXPECT_EQ(ToBytes(printer::EncodeDipSwitch(4, -1)), (Bytes{0x1D, 0x29, 0x04, 0xFF}));
}

TEST(Commands, ParameterByteIsTheLowByteOfTheIndex) {
  EXPECT_EQ(printer::ParameterByte(0), 0x00);
  EXPECT_EQ(printer::ParameterByte(19), 0x13);
  EXPECT_EQ(printer::ParameterByte(-1), 0xFF);
  EXPECT_EQ(printer::ParameterByte(255), 0xFF);
  EXPECT_EQ(printer::ParameterByte(256), 0x00);
  EXPECT_EQ(printer::ParameterByte(0x1234), 0x34);
}

TEST(Tables, SpeedEntriesPerFamily) {
  using Entries = std::array<std::string, 4>;
  auto entries = [](int family) {
    const auto& raw = printer::SpeedEntries(family);
    return Entries{raw[0], raw[1], raw[2], raw[3]};
  };
  EXPECT_EQ(entries(0), (Entries{"50 mm/s", "42 mm/s", "33 mm/s", "25 mm/s"}));
  EXPECT_EQ(entries(1), (Entries{"100 mm/s", "83  mm/s", "66  mm/s", "50  mm/s"}));
  EXPECT_EQ(entries(2), entries(1));
  const Entries unconnected{"100 (50) mm/s", "83 (42) mm/s", "66 (33) mm/s", "50 (25) mm/s"};
  EXPECT_EQ(entries(printer::kNoFamily), unconnected);
  EXPECT_EQ(entries(3), unconnected);
}

TEST(Tables, BaudRatesAndTheirLabels) {
  const std::array<std::uint32_t, 8> rates = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(printer::BaudRateOf(i), rates[i]);
    EXPECT_EQ(printer::kBaudLabels[i], std::to_string(rates[i]) + " bps");
  }
  EXPECT_EQ(printer::BaudRateOf(-1), 0u);
  EXPECT_EQ(printer::BaudRateOf(8), 0u);
}

TEST(Tables, DipBaudBitsAreTheIndexBits) {
  EXPECT_EQ(printer::DipBaudBits(0), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(printer::DipBaudBits(3), (std::array<int, 3>{1, 1, 0}));
  EXPECT_EQ(printer::DipBaudBits(4), (std::array<int, 3>{0, 0, 1}));
  EXPECT_EQ(printer::DipBaudBits(6), (std::array<int, 3>{0, 1, 1}));
  EXPECT_EQ(printer::DipBaudBits(7), (std::array<int, 3>{1, 1, 1}));
  EXPECT_EQ(printer::DipBaudBits(-1), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(printer::DipBaudBits(8), (std::array<int, 3>{0, 0, 0}));
}

TEST(Tables, ValueLabelsAtTheirIndices) {
  EXPECT_STREQ(printer::kIntensityLabels[0], "70 %");
  EXPECT_STREQ(printer::kIntensityLabels[3], "100 %");
  EXPECT_STREQ(printer::kIntensityLabels[5], "150 %");
  EXPECT_STREQ(printer::kCountryLabels[2], "Germany");
  EXPECT_STREQ(printer::kCountryLabels[3], "U.K.");
  EXPECT_STREQ(printer::kCountryLabels[10], "Denmark II");
  EXPECT_STREQ(printer::kCodePageLabels[0], "USA (CP437)");
  EXPECT_STREQ(printer::kCodePageLabels[8], "Turkish (CP587)");
  EXPECT_STREQ(printer::kCodePageLabels[15], "Windows Cyrilic (CP1251)");
  EXPECT_STREQ(printer::kCodePageLabels[19], "Windows Baltic (CP1257)");
  EXPECT_STREQ(printer::kProtocolLabels[0], "Hardware");
  EXPECT_STREQ(printer::kProtocolLabels[1], "XON/XOFF");
}

}  // namespace
