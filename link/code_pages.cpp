#include "code_pages.h"

#include <algorithm>

#include "code_page_tables.h"

namespace printer {

namespace {

constexpr char32_t kNoCharacter = 0;
constexpr std::uint8_t kUpperHalfStart = 0x80;

const UpperHalf* UpperHalfOf(int codePage) {
  const auto* known =
      std::find_if(kKnownCodePages.begin(), kKnownCodePages.end(),
                   [codePage](const KnownCodePage& page) { return page.index == codePage; });
  return known == kKnownCodePages.end() ? nullptr : &known->upperHalf;
}

// The character at the front of UTF-8 text, and its length; nothing for a malformed sequence
// (a stray continuation byte, a cut-off or overlong sequence, a surrogate, beyond U+10FFFF).
std::optional<std::pair<char32_t, std::size_t>> FrontCharacter(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return std::pair{char32_t{lead}, std::size_t{1}};
  std::size_t length = 0;
  char32_t character = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    character = lead & 0x1F;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    character = lead & 0x0F;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    character = lead & 0x07;
    smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    character = character << 6 | (next & 0x3F);
  }
  const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
  if (character < smallest || surrogate || character > 0x10FFFF) return std::nullopt;
  return std::pair{character, length};
}

void AppendUtf8(std::string& text, char32_t character) {
  const auto put = [&text](char32_t bits) { text += static_cast<char>(bits); };
  if (character < 0x80) {
    put(character);
  } else if (character < 0x800) {
    put(0xC0 | character >> 6);
    put(0x80 | (character & 0x3F));
  } else if (character < 0x10000) {
    put(0xE0 | character >> 12);
    put(0x80 | (character >> 6 & 0x3F));
    put(0x80 | (character & 0x3F));
  } else {
    put(0xF0 | character >> 18);
    put(0x80 | (character >> 12 & 0x3F));
    put(0x80 | (character >> 6 & 0x3F));
    put(0x80 | (character & 0x3F));
  }
}

}  // namespace

bool KnowsCodePage(int codePage) { return UpperHalfOf(codePage) != nullptr; }

namespace {

// The text's bytes in the code page; a character it cannot carry becomes the replacement, or
// ends the encoding without one.
std::optional<std::string> Encode(const UpperHalf* upperHalf, std::string_view utf8,
                                  std::optional<char> replacement) {
  std::string encoded;
  while (!utf8.empty()) {
    const auto front = FrontCharacter(utf8);
    if (!front) {
      if (!replacement) return std::nullopt;
      encoded += *replacement;
      utf8.remove_prefix(1);
      continue;
    }
    const auto [character, length] = *front;
    utf8.remove_prefix(length);
    if (character < kUpperHalfStart) {
      encoded += static_cast<char>(character);
      continue;
    }
    const auto* found =
        upperHalf == nullptr ? nullptr : std::find(upperHalf->begin(), upperHalf->end(), character);
    if (found == nullptr || found == upperHalf->end()) {
      if (!replacement) return std::nullopt;
      encoded += *replacement;
      continue;
    }
    encoded += static_cast<char>(kUpperHalfStart + (found - upperHalf->begin()));
  }
  return encoded;
}

}  // namespace

std::optional<std::string> EncodeText(int codePage, std::string_view utf8) {
  const UpperHalf* upperHalf = UpperHalfOf(codePage);
  if (upperHalf == nullptr) return std::nullopt;
  return Encode(upperHalf, utf8, std::nullopt);
}

std::string EncodeTextReplacing(int codePage, std::string_view utf8) {
  return *Encode(UpperHalfOf(codePage), utf8, '?');
}

std::string DecodeText(int codePage, std::span<const std::uint8_t> bytes) {
  const UpperHalf* upperHalf = UpperHalfOf(codePage);
  std::string text;
  for (const std::uint8_t byte : bytes) {
    char32_t character = byte;
    if (byte < 0x20 || byte == 0x7F) {
      character = kNoCharacter;
    } else if (byte >= kUpperHalfStart) {
      character = upperHalf != nullptr ? (*upperHalf)[byte - kUpperHalfStart] : kNoCharacter;
    }
    if (character == kNoCharacter) {
      text += '?';
    } else {
      AppendUtf8(text, character);
    }
  }
  return text;
}

}  // namespace printer
