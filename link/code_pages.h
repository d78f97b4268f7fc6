#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Text in the printer's code pages, by their index in the code-page list. The encoding is known
// for the entries that name a standard code page; "Litva", "Poland", "Latvia", "Bulgarian
// (CP856)" and "Turkish (CP587)" are not certain and count as unknown.
namespace printer {

bool KnowsCodePage(int codePage);

// UTF-8 text as the code page's bytes; nothing when the code page is unknown, the text is not
// UTF-8, or the code page lacks one of its characters.
std::optional<std::string> EncodeText(int codePage, std::string_view utf8);

// UTF-8 text as the code page's bytes, with "?" for each character the code page lacks and for
// each malformed byte; an unknown code page carries ASCII only.
std::string EncodeTextReplacing(int codePage, std::string_view utf8);

// Bytes of the code page as UTF-8 text. A byte the code page does not define, any byte from 0x80
// of an unknown code page, and a control character (below 0x20, and 0x7F) become "?".
std::string DecodeText(int codePage, std::span<const std::uint8_t> bytes);

}  // namespace printer
