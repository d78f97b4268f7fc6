#pragma once

// The language the tool speaks to its user in: the window, the command line's sentences, the
// test page's sample line.
enum class InterfaceLanguage { Bulgarian, English };

// The language of a stored "Language" value: 0 Bulgarian, 1 English; any other number is not a
// language, and speaks English.
constexpr InterfaceLanguage InterfaceLanguageOf(int stored) {
  return stored == 0 ? InterfaceLanguage::Bulgarian : InterfaceLanguage::English;
}
