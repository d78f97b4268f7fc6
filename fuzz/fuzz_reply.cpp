// The model name read from an identification reply of any length and content, and its family.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "printer.h"
#include "require.h"

namespace {

// What a reply can name: every known model, cut to the 21 bytes a reply carries.
constexpr std::array<std::pair<std::string_view, int>, 6> kKnownNames = {{
    {"Tavrin MR71C Printer", 0},
    {"QAV MR71C Printer", 0},
    {"JOX MR71C Printer", 0},
    {"Tavrin MR460V Printer", 1},
    {"Tavrin MR2200T", 2},
    {"Tavrin MR2200K Printe", 2},
}};

int KnownFamily(std::string_view name) {
  for (const auto& [known, family] : kKnownNames) {
    if (name == known) return family;
  }
  return printer::kNoFamily;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

void CheckFamily(std::string_view name) {
  const int family = printer::Classify(name);
  Require(family >= printer::kNoFamily && family <= 2, "the family is -1, 0, 1 or 2");
  Require(family == KnownFamily(name), "a family only for a name in the model table");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the same bytes, read as text
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const std::string name = printer::ModelNameFromReply(std::span(data, size));

  const std::string_view field = reply.substr(0, printer::kModelNameLength);
  const std::string_view text = field.substr(0, field.find('\0'));
  Require(name.size() <= static_cast<std::size_t>(printer::kModelNameLength),
          "the name has at most 21 bytes");
  Require(name.empty() || (!IsBlankOrControl(name.front()) && !IsBlankOrControl(name.back())),
          "the name neither starts nor ends with a byte of 0x20 or less");
  Require(text.find(name) != std::string_view::npos,
          "the name is taken from the text before the first 0 byte");
  Require(name.empty() == std::all_of(text.begin(), text.end(), IsBlankOrControl),
          "the name is empty only when the text holds nothing but blanks and controls");

  CheckFamily(name);
  CheckFamily(reply);
  return 0;
}
