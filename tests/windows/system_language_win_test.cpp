// The first-run language follows the system's ANSI code page. run.sh runs this under
// LC_ALL=bg_BG.UTF-8, where Wine's GetACP() is 1251, and under C.UTF-8, and says which.
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "preferences.h"

namespace {

TEST(SystemLanguage, IsCyrillicExactlyWhenTheAnsiCodePageIs1251) {
  const char* expected = std::getenv("QUILLSETTER_EXPECT_CYRILLIC");
  if (expected == nullptr) GTEST_SKIP() << "run.sh says whether the system is Cyrillic";
  EXPECT_EQ(GetACP() == 1251, std::string(expected) == "1") << "GetACP() " << GetACP();
  EXPECT_EQ(prefs::SystemUsesCyrillic(), GetACP() == 1251);
}

}  // namespace
