#pragma once

// Argument that makes prefs_tests print "cyrillic" or "other" for the system language and exit.
inline constexpr char kSystemLanguageProbe[] = "--print-system-language";
