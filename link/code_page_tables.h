#pragma once

#include <array>

// The characters of the code pages whose encoding is known; used by code_pages.cpp only.
namespace printer {

// The characters of bytes 0x80..0xFF of one code page as Unicode code points; 0 where the code
// page defines no character. Bytes 0x00..0x7F are ASCII in every code page here.
using UpperHalf = std::array<char32_t, 128>;

struct KnownCodePage {
  int index;  // in the code-page list
  UpperHalf upperHalf;
};

extern const std::array<KnownCodePage, 15> kKnownCodePages;

}  // namespace printer
