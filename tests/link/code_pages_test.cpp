#include "code_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using printer::DecodeText;
using printer::EncodeText;
using Bytes = std::vector<std::uint8_t>;

struct Landmark {
  int codePage;
  const char* text;   // UTF-8
  const char* bytes;  // the text in the code page
};

// Text that no other known code page encodes as these bytes, so a table filed under the wrong
// index shows.
constexpr Landmark kLandmarks[] = {
    {0, "ä¢", "\x84\x9B"}, {2, "ã", "\xC6"},  {3, "ã", "\x84"},  {6, "ő", "\x8B"},
    {7, "Б", "\x81"},      {9, "þ", "\xFE"},  {10, "ā", "\x83"}, {12, "Α", "\x80"},
    {13, "א", "\x80"},     {14, "ś", "\x9C"}, {15, "Б", "\xC1"}, {16, "Ω", "\xD9"},
    {17, "ş", "\xFE"},     {18, "א", "\xE0"}, {19, "Ą", "\xC0"},
};

Bytes BytesOf(std::string_view text) { return {text.begin(), text.end()}; }

TEST(CodePages, EachKnownCodePageHasItsOwnTable) {
  for (const Landmark& landmark : kLandmarks) {
    SCOPED_TRACE("code page " + std::to_string(landmark.codePage));
    EXPECT_TRUE(printer::KnowsCodePage(landmark.codePage));
    EXPECT_EQ(EncodeText(landmark.codePage, landmark.text), landmark.bytes);
    EXPECT_EQ(DecodeText(landmark.codePage, BytesOf(landmark.bytes)), landmark.text);
    for (const Landmark& other : kLandmarks) {
      if (other.codePage == landmark.codePage) continue;
      EXPECT_NE(DecodeText(other.codePage, BytesOf(landmark.bytes)), landmark.text)
          << "code page " << other.codePage;
    }
  }
}

TEST(CodePages, EveryDefinedByteComesBackFromItsCharacter) {
  constexpr int kPrintableAscii = 0x7F - 0x20;
  for (const Landmark& landmark : kLandmarks) {
    int defined = 0;
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
      const std::string character =
          DecodeText(landmark.codePage, Bytes{static_cast<std::uint8_t>(byte)});
      if (character == "?" && byte != '?') continue;
      ++defined;
      EXPECT_EQ(EncodeText(landmark.codePage, character), std::string(1, static_cast<char>(byte)))
          << "code page " << landmark.codePage << ", byte " << byte;
    }
    // Each code page defines most of its upper half.
    EXPECT_GT(defined, kPrintableAscii + 64) << "code page " << landmark.codePage;
  }
}

TEST(CodePages, UncertainCodePagesAreUnknown) {
  for (const int codePage : {1, 4, 5, 8, 11, 20, -1}) {
    SCOPED_TRACE("code page " + std::to_string(codePage));
    EXPECT_FALSE(printer::KnowsCodePage(codePage));
    EXPECT_EQ(EncodeText(codePage, "ABC"), std::nullopt);
    EXPECT_EQ(DecodeText(codePage, Bytes{'A', 0xC1, 0x80, 'z'}), "A??z");
  }
}

TEST(CodePages, EncodingFailsOnAMissingCharacterOrBrokenText) {
  EXPECT_EQ(EncodeText(0, "Б"), std::nullopt);
  EXPECT_EQ(EncodeText(15, "Bulgarian ß"), std::nullopt);
  for (const char* broken :
       {"\xC1", "\xE0\xA0", "\x80", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
    EXPECT_EQ(EncodeText(15, broken), std::nullopt) << broken;
  }
  EXPECT_EQ(EncodeText(15, "Ok: Ёё"), "Ok: \xA8\xB8");
}

TEST(CodePages, UndefinedBytesAndControlCharactersReadAsQuestionMarks) {
  EXPECT_EQ(DecodeText(15, Bytes{'a', 0x98, 'b'}), "a?b");
  EXPECT_EQ(DecodeText(0, Bytes{0x07, 0x7F, 0x0D, 'x'}), "???x");
  EXPECT_EQ(DecodeText(18, Bytes{0xFF, 0xE0}), "?א");
}

}  // namespace
