#include "paper.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "printer.h"
#include "serial.h"
#include "temp_dir.h"
#include "test_page.h"
#include "virtual_printer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr int kWaitMs = 3000;

Lines Printed(const Bytes& stream) {
  vprinter::Paper paper;
  Lines lines;
  for (const vprinter::DecodedCommand& command : vprinter::CommandDecoder().Feed(stream, 0)) {
    const Lines printed = paper.Print(command);
    lines.insert(lines.end(), printed.begin(), printed.end());
  }
  return lines;
}

Lines FileLines(const std::string& path) {
  std::ifstream file(path);
  Lines lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

TEST(Paper, EachByteIsReadInTheCodePageChosenBeforeIt) {
  EXPECT_EQ(Printed({'A', 'B', '\n', 0x1B, 0x74, 15, 0xC1, 0x1B, 0x74, 0, 0xC1, '\n'}),
            (Lines{"AB", "Б┴"}));
  // Unknown code pages and bytes a code page leaves undefined print as "?".
  EXPECT_EQ(Printed({0x1B, 0x74, 5, 0xC1, 'x', '\n', 0x1B, 0x74, 15, 0x98, 0xFF, '\n'}),
            (Lines{"?x", "?я"}));
}

TEST(Paper, ResetDropsTheUnfinishedLineAndCutPrintsIt) {
  EXPECT_EQ(Printed({0x1B, 0x74, 15, 'h', 'a', 'l', 'f', 0x1B, 0x40, 0xC1, '\n'}), (Lines{"┴"}));
  EXPECT_EQ(Printed({'t', 'a', 'i', 'l', 0x1D, 0x56, 0x00, '\n', 0x1D, 0x56, 66, 3, 'n', 'o'}),
            (Lines{"tail", "-- cut --", "", "-- cut --"}));
}

TEST(Paper, TestPageSentThroughTheSerialPortIsPrinted) {
  TempDir dir;
  vprinter::Options options;
  options.paperPath = dir.File("paper.txt");
  vprinter::VirtualPrinter printer(options);
  ASSERT_TRUE(printer.Start());
  Tserial serial;
  ASSERT_TRUE(serial.OpenDevice(printer.DevicePath(), 115200));

  printer::PrinterSettings settings;
  settings.codePage = 15;
  const printer::TestPageLabels labels = {"100 %", "83  mm/s", "USA", "Windows Cyrilic (CP1251)"};
  const auto steps = printer::BuildTestPage("Tavrin MR460V Printer", settings, labels,
                                            InterfaceLanguage::Bulgarian);
  std::size_t total = 0;
  for (const printer::SequenceStep& step : steps) total += step.bytes.size();
  std::vector<int> positions;
  printer::SendHooks hooks;
  hooks.progress = [&](int, int position) { positions.push_back(position); };
  ASSERT_EQ(printer::RunSteps(serial, steps, hooks), printer::SendOutcome::Complete);
  ASSERT_TRUE(printer.WaitForReceived(total, kWaitMs));
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), static_cast<int>(steps.size()));

  EXPECT_EQ(FileLines(options.paperPath), (Lines{
                                              "Quillsetter test page",
                                              "Model: Tavrin MR460V Printer",
                                              "Intensity: 100 %",
                                              "Speed: 83  mm/s",
                                              "Country: USA",
                                              "Code page: Windows Cyrilic (CP1251)",
                                              "2x:  !\"#$%&'()*+,-./",
                                              "3x: 0123456789:;<=>?",
                                              "4x: @ABCDEFGHIJKLMNO",
                                              "5x: PQRSTUVWXYZ[\\]^_",
                                              "6x: `abcdefghijklmno",
                                              "7x: pqrstuvwxyz{|}~?",
                                              "8x: ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ",
                                              "9x: ђ‘’“”•–—?™љ›њќћџ",
                                              "Ax: \u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї",
                                              "Bx: °±Ііґµ¶·ё№є»јЅѕї",
                                              "Cx: АБВГДЕЖЗИЙКЛМНОП",
                                              "Dx: РСТУФХЦЧШЩЪЫЬЭЮЯ",
                                              "Ex: абвгдежзийклмноп",
                                              "Fx: рстуфхцчшщъыьэюя",
                                              "Български текст: АБВГДЕЖЗИЙ абвгдежзий",
                                              "",
                                              "",
                                              "",
                                              "",
                                              "-- cut --",
                                          }));
}

}  // namespace
