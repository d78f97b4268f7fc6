#include "install_slip.h"

#include <vector>

#include "code_pages.h"
#include "print_lines.h"
#include "setting_lines.h"
#include "test_page.h"

namespace printer {

namespace {

constexpr int kCp437 = 0;
constexpr int kCp866 = 7;
constexpr std::size_t kShownDigestDigits = 12;

struct SlipTexts {
  const char* title;
  const char* date;
  const char* model;
  const char* port;
  const char* rate;
  const char* file;
  const char* signature;
};

constexpr SlipTexts kBulgarianTexts = {
    "Бележка за настройката", "Дата:", "Модел:", "Порт:", "Скорост:", "Файл:", "Подпис:",
};

constexpr SlipTexts kEnglishTexts = {
    "Installation slip", "Date:", "Model:", "Port:", "Rate:", "File:", "Signature:",
};

std::string Rate(std::uint32_t rate) { return std::to_string(rate) + " bps"; }

}  // namespace

int SlipCodePage(int chosenCodePage, InterfaceLanguage language) {
  if (EncodeText(chosenCodePage, TestPageSample(language))) return chosenCodePage;
  return language == InterfaceLanguage::Bulgarian ? kCp866 : kCp437;
}

SettingsSequence BuildInstallSlip(const SlipFacts& facts, InterfaceLanguage language) {
  const SlipTexts& texts =
      language == InterfaceLanguage::Bulgarian ? kBulgarianTexts : kEnglishTexts;
  const int codePage = SlipCodePage(facts.settings.codePage, language);
  const auto line = [codePage](const std::string& text) { return TextLineWrite(codePage, text); };
  const auto field = [](const char* caption, const std::string& value) {
    return std::string(caption) + ' ' + value;
  };

  std::vector<PrintWrite> writes = {
      ResetWrite(),
      SelectCodePageWrite(codePage),
      line(std::string("Quillsetter: ") + texts.title),
      line(field(texts.date, facts.dateTime)),
      line(field(texts.model, facts.model)),
      line(field(texts.port, facts.port)),
      line(field(texts.rate, Rate(facts.rateBefore) + " -> " + Rate(facts.rateAfter))),
  };
  for (const SettingLine& setting : SettingLines(facts.settings, facts.family, language)) {
    writes.push_back(line(setting.caption + ' ' + setting.entry));
  }
  if (!facts.settingsFile.empty()) {
    writes.push_back(line(field(texts.file, facts.settingsFile)));
    writes.push_back(line("SHA-256: " + facts.settingsSha256.substr(0, kShownDigestDigits)));
  }
  writes.push_back(LineWrite(""));
  writes.push_back(line(field(texts.signature, "____________________")));
  writes.push_back(FeedAndCutWrite());
  writes.push_back(ResetWrite());
  return PrintSteps(std::move(writes));
}

}  // namespace printer
