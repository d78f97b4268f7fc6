// The installation slip and the code-page proof, byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "code_page_proof.h"
#include "code_pages.h"
#include "install_slip.h"
#include "printer.h"
#include "test_page.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr auto kBulgarian = InterfaceLanguage::Bulgarian;
constexpr auto kEnglish = InterfaceLanguage::English;
constexpr int kCp437 = 0;
constexpr int kLitva = 1;  // encoding not known
constexpr int kCp866 = 7;
constexpr int kCp1251 = 15;

const Bytes kReset = {0x1B, 0x40};
const Bytes kFeedAndCut = {0x0A, 0x0A, 0x0A, 0x0A, 0x1D, 0x56, 66, 0};

Bytes Of(const std::string& text) { return {text.begin(), text.end()}; }
Bytes Line(const std::string& text) { return Of(text + '\n'); }
Bytes SelectCodePage(int page) { return {0x1B, 0x74, static_cast<std::uint8_t>(page)}; }

std::vector<Bytes> Writes(const printer::SettingsSequence& steps) {
  std::vector<Bytes> writes;
  for (const printer::SequenceStep& step : steps) {
    EXPECT_EQ(step.pauseMs, 0);
    writes.push_back(step.bytes);
  }
  EXPECT_EQ(steps.front().progressMaximum, static_cast<int>(steps.size()));
  return writes;
}

// The writes of one code page in the proof: from its label line up to the next label or the cut.
std::vector<Bytes> ProofOf(const std::vector<Bytes>& writes, int page) {
  const Bytes label = Line(std::to_string(page) + ": " + printer::kCodePageLabels[page]);
  const auto first = std::find(writes.begin(), writes.end(), label);
  if (first == writes.end()) return {};
  auto last = first + 1;
  const std::string next = std::to_string(page + 1) + ": ";
  while (last != writes.end() && *last != kFeedAndCut &&
         std::string(last->begin(), last->end()).rfind(next, 0) != 0) {
    ++last;
  }
  return {first, last};
}

TEST(CodePageProofTest, EachCodePageGetsItsNumberLabelAndTheTextInItsBytes) {
  const auto writes = Writes(printer::BuildCodePageProof(printer::TestPageSample(kBulgarian)));
  EXPECT_EQ(writes.front(), kReset);
  EXPECT_EQ(writes[writes.size() - 2], kFeedAndCut);
  EXPECT_EQ(writes.back(), kReset);

  // "Български текст: АБВГДЕЖЗИЙ абвгдежзий" in CP1251.
  const Bytes cp1251 = {0xC1, 0xFA, 0xEB, 0xE3, 0xE0, 0xF0, 0xF1, 0xEA, 0xE8, ' ',
                        0xF2, 0xE5, 0xEA, 0xF1, 0xF2, ':',  ' ',  0xC0, 0xC1, 0xC2,
                        0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, ' ',  0xE0, 0xE1,
                        0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, '\n'};
  EXPECT_EQ(ProofOf(writes, kCp1251), (std::vector<Bytes>{Line("15: Windows Cyrilic (CP1251)"),
                                                          SelectCodePage(kCp1251), cp1251}));
  // CP437 has no Cyrillic: the letters print as "?", the rest as it is.
  EXPECT_EQ(ProofOf(writes, kCp437),
            (std::vector<Bytes>{Line("0: USA (CP437)"), SelectCodePage(kCp437),
                                Line("????????? ?????: ?????????? ??????????")}));

  // A code page of unknown encoding shows its upper half, sixteen bytes a row.
  std::vector<Bytes> upperHalf = {Line("1: Litva"), SelectCodePage(kLitva)};
  for (int row = 0x80; row <= 0xF0; row += 16) {
    Bytes bytes = {static_cast<std::uint8_t>("89ABCDEF"[(row - 0x80) >> 4]), 'x', ':', ' '};
    for (int byte = row; byte < row + 16; ++byte) bytes.push_back(static_cast<std::uint8_t>(byte));
    bytes.push_back('\n');
    upperHalf.push_back(bytes);
  }
  EXPECT_EQ(ProofOf(writes, kLitva), upperHalf);

  // Every code page of the list, in order, and nothing else.
  int labels = 0;
  for (int page = 0; page < 20; ++page) labels += ProofOf(writes, page).empty() ? 0 : 1;
  EXPECT_EQ(labels, 20);
  EXPECT_EQ(writes.size(), 1 + 15 * 3 + 5 * (2 + 8) + 2);
}

printer::SlipFacts Facts(int family, int codePage) {
  printer::SlipFacts facts;
  facts.dateTime = "2026-12-09 14:05";
  facts.model = "Tavrin MR460V Printer";
  facts.port = "COM3 (/dev/ttyUSB0)";
  facts.rateBefore = 9600;
  facts.rateAfter = 115200;
  facts.family = family;
  facts.settings.intensity = 4;
  facts.settings.speed = 1;
  facts.settings.country = 2;
  facts.settings.codePage = codePage;
  facts.settings.newBaud = 7;
  facts.settings.autoCutter = 1;
  facts.settings.paper = 0;
  facts.settings.protocol = 1;
  facts.settings.commandSet = 0;
  facts.settings.esct = 1;
  return facts;
}

TEST(InstallSlipTest, ABulgarianSlipGoesInCp866WhenTheChosenCodePageHasNoCyrillic) {
  printer::SlipFacts facts = Facts(printer::kDipFamily, kCp437);
  facts.settingsFile = "shop.quillsetter";
  facts.settingsSha256 = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
  const auto writes = Writes(printer::BuildInstallSlip(facts, kBulgarian));

  const std::vector<std::string> lines = {
      "Quillsetter: Бележка за настройката",
      "Дата: 2026-12-09 14:05",
      "Модел: Tavrin MR460V Printer",
      "Порт: COM3 (/dev/ttyUSB0)",
      "Скорост: 9600 bps -> 115200 bps",
      "Интензитет на печат: 120 %",
      "Скорост на печат: 83  mm/s",
      "Страна: Germany",
      "Кодова страница: USA (CP437)",
      "Нова серийна скорост: 115200 bps",
      "Отрязване на хартията: Разрешено",
      "Размер на хартията: Тясна (57mm)",
      "Комуникационен протокол: XON/XOFF",
      "Команден протокол: Стандартен",
      "ESC t команда: Разрешена",
      "Файл: shop.quillsetter",
      "SHA-256: 0123456789ab",
      "",
      "Подпис: ____________________",
  };
  ASSERT_EQ(writes.size(), lines.size() + 4);
  EXPECT_EQ(writes[0], kReset);
  EXPECT_EQ(writes[1], SelectCodePage(kCp866));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(writes[i + 2], Line(*printer::EncodeText(kCp866, lines[i]))) << lines[i];
  }
  // "Подпис:" letter by letter in CP866.
  EXPECT_EQ(Bytes(writes[lines.size() + 1].begin(), writes[lines.size() + 1].begin() + 7),
            (Bytes{0x8F, 0xAE, 0xA4, 0xAF, 0xA8, 0xE1, ':'}));
  EXPECT_EQ(writes[lines.size() + 2], kFeedAndCut);
  EXPECT_EQ(writes.back(), kReset);
}

TEST(InstallSlipTest, AnEnglishSlipKeepsTheChosenCodePageAndShowsOnlyWhatTheFamilyTakes) {
  printer::SlipFacts facts = Facts(0, kCp1251);
  facts.rateAfter = 9600;
  facts.model = "Tavrin MR71C Printer";
  facts.port = "/dev/ttyUSB0 — ünïcode";
  const auto writes = Writes(printer::BuildInstallSlip(facts, kEnglish));
  const std::vector<Bytes> expected = {
      kReset,
      SelectCodePage(kCp1251),
      Line("Quillsetter: Installation slip"),
      Line("Date: 2026-12-09 14:05"),
      Line("Model: Tavrin MR71C Printer"),
      Line("Port: /dev/ttyUSB0 \x97 ?n?code"),
      Line("Rate: 9600 bps -> 9600 bps"),
      Line("Printing Intensity: 120 %"),
      Line("Printing Speed: 42 mm/s"),
      Line("Country: Germany"),
      Line("Codepage: Windows Cyrilic (CP1251)"),
      Line(""),
      Line("Signature: ____________________"),
      kFeedAndCut,
      kReset,
  };
  EXPECT_EQ(writes, expected);
}

TEST(InstallSlipTest, TheSlipsCodePageHoldsTheLanguageOrFallsBackToOneEveryPrinterHas) {
  EXPECT_EQ(printer::SlipCodePage(kCp1251, kBulgarian), kCp1251);
  EXPECT_EQ(printer::SlipCodePage(kCp437, kBulgarian), kCp866);
  EXPECT_EQ(printer::SlipCodePage(kLitva, kBulgarian), kCp866);
  EXPECT_EQ(printer::SlipCodePage(kLitva, kEnglish), kCp437);
  EXPECT_EQ(printer::SlipCodePage(kCp866, kEnglish), kCp866);
}

}  // namespace
