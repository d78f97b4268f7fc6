#include "preferences.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QLocale>
#endif

namespace prefs {

#ifdef Q_OS_WIN
bool SystemUsesCyrillic() { return GetACP() == 1251; }
#else
// QLocale::system() follows LC_ALL, then LC_MESSAGES, then LANG (and LANGUAGE), read once per
// process.
bool SystemUsesCyrillic() { return QLocale::system().script() == QLocale::CyrillicScript; }
#endif

}  // namespace prefs
