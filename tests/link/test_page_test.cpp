#include "test_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "printer.h"
#include "serial_line.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr InterfaceLanguage kBulgarian = InterfaceLanguage::Bulgarian;
constexpr InterfaceLanguage kEnglish = InterfaceLanguage::English;
constexpr int kCp437 = 0;
constexpr int kBulgarianCp856 = 5;
constexpr int kCp1251 = 15;

// The Bulgarian sample in CP1251, letter by letter.
const Bytes kBulgarianSampleCp1251 = {0xC1, 0xFA, 0xEB, 0xE3, 0xE0, 0xF0, 0xF1, 0xEA, 0xE8, ' ',
                                      0xF2, 0xE5, 0xEA, 0xF1, 0xF2, ':',  ' ',  0xC0, 0xC1, 0xC2,
                                      0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, ' ',  0xE0, 0xE1,
                                      0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, '\n'};

printer::SettingsSequence Page(int codePage, InterfaceLanguage language) {
  printer::PrinterSettings settings;
  settings.codePage = codePage;
  const printer::TestPageLabels labels = {"100 %", "83  mm/s", "USA",
                                          printer::kCodePageLabels[codePage]};
  return printer::BuildTestPage("Tavrin MR460V Printer", settings, labels, language);
}

Bytes AllBytes(const printer::SettingsSequence& steps) {
  Bytes bytes;
  for (const printer::SequenceStep& step : steps) {
    bytes.insert(bytes.end(), step.bytes.begin(), step.bytes.end());
  }
  return bytes;
}

void Append(Bytes& bytes, std::string_view text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// ESC @, the settings as text, ESC t, then the chart: the page up to its sample line.
Bytes PageHead(int codePage) {
  Bytes bytes = {0x1B, 0x40};
  Append(bytes,
         "Quillsetter test page\nModel: Tavrin MR460V Printer\nIntensity: 100 %\n"
         "Speed: 83  mm/s\nCountry: USA\nCode page: ");
  Append(bytes, printer::kCodePageLabels[codePage]);
  bytes.insert(bytes.end(), {'\n', 0x1B, 0x74, static_cast<std::uint8_t>(codePage)});
  for (int row = 0x2; row <= 0xF; ++row) {
    Append(bytes, std::string(1, "0123456789ABCDEF"[row]) + "x: ");
    for (int column = 0; column < 16; ++column) {
      bytes.push_back(static_cast<std::uint8_t>(row * 16 + column));
    }
    bytes.push_back('\n');
  }
  return bytes;
}

const Bytes kPageTail = {'\n', '\n', '\n', '\n', 0x1D, 0x56, 66, 0, 0x1B, 0x40};

Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes bytes;
  for (const Bytes& part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
  return bytes;
}

TEST(TestPage, Cp1251PageCarriesTheChartAndTheBulgarianSample) {
  const printer::SettingsSequence steps = Page(kCp1251, kBulgarian);
  EXPECT_EQ(AllBytes(steps), Joined({PageHead(kCp1251), kBulgarianSampleCp1251, kPageTail}));

  // One step a line without pauses; the bar's maximum is set once and each step moves it by one.
  ASSERT_GT(steps.size(), 14u);
  EXPECT_EQ(steps.front().progressMaximum, static_cast<int>(steps.size()));
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].pauseMs, 0);
    EXPECT_EQ(steps[i].progress, static_cast<int>(i) + 1);
    if (i > 0) {
      EXPECT_EQ(steps[i].progressMaximum, printer::SequenceStep::kKeep);
    }
  }
}

TEST(TestPage, SampleIsLeftOutWhereTheCodePageCannotCarryIt) {
  Bytes english;
  Append(english, "The quick brown fox jumps over the lazy dog\n");
  EXPECT_EQ(AllBytes(Page(kCp437, kEnglish)), Joined({PageHead(kCp437), english, kPageTail}));
  EXPECT_EQ(AllBytes(Page(kCp437, kBulgarian)), Joined({PageHead(kCp437), kPageTail}));
  // Whether the printer's CP856 is Bulgarian or Hebrew is not known, so neither sample goes out.
  for (const InterfaceLanguage language : {kBulgarian, kEnglish}) {
    EXPECT_EQ(AllBytes(Page(kBulgarianCp856, language)),
              Joined({PageHead(kBulgarianCp856), kPageTail}));
  }
}

TEST(TestPage, AStopHalfWayStillEndsThePageWithEscAt) {
  const printer::SettingsSequence page = Page(kCp1251, kEnglish);
  ASSERT_TRUE(page.back().always);
  EXPECT_EQ(std::count_if(page.begin(), page.end(), [](const auto& step) { return step.always; }),
            1);
  serial_test::Line line;
  ASSERT_TRUE(line.started);
  ASSERT_TRUE(line.serial.Open(serial_test::kPort, 115200));
  // As the window stops: its wait hook and its stop request both say so from then on.
  bool stop = false;
  line.serial.SetWaitHook([&stop] { return !stop; });
  printer::SendHooks hooks;
  hooks.stepSent = [&stop](std::size_t index) { stop = stop || index == 7; };
  hooks.stopRequested = [&stop] { return stop; };

  EXPECT_EQ(printer::RunSteps(line.serial, page, hooks), printer::SendOutcome::Stopped);
  Bytes expected;
  for (std::size_t index = 0; index <= 7; ++index) {
    expected.insert(expected.end(), page[index].bytes.begin(), page[index].bytes.end());
  }
  expected.insert(expected.end(), {0x1B, 0x40});
  ASSERT_TRUE(line.printer.WaitForReceived(expected.size(), 2000));
  EXPECT_FALSE(line.printer.WaitForReceived(expected.size() + 1, 200));
  EXPECT_EQ(line.printer.Received(), expected) << "the code page's ESC t is undone";

  line.printer.ClearReceived();
  line.serial.Close();
  stop = false;
  hooks.stepSent = [&line](std::size_t) { line.serial.Close(); };
  EXPECT_EQ(printer::RunSteps(line.serial, page, hooks), printer::SendOutcome::Stopped);
  ASSERT_TRUE(line.printer.WaitForReceived(0, 100));
  EXPECT_TRUE(line.printer.Received().empty()) << "a closed port gets nothing";
}

}  // namespace
