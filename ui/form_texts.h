#pragma once

#include <QString>

#include "interface_language.h"

namespace Ui {
class TMainF;
}

// What the form shows that does not depend on the window's state: the lists' entries, the
// columns' width, and the texts of one language.
namespace form {

// What the model field shows once a connection has ended.
inline constexpr const char* kConnectFirst = "... please connect first...";
// The messages when the stored choices could not be read at the start, or written at the close;
// the same in both languages.
inline constexpr const char* kLoadFailed = "Failed loading preferences!";
inline constexpr const char* kSaveFailed = "Failed saving preferences!";

// Fills the lists whose entries are the same in every language.
void FillLists(Ui::TMainF& form);

// Writes every text of the language but the captions of Connect and Find, which follow what the
// window does.
void WriteTexts(Ui::TMainF& form, InterfaceLanguage language);

// One column width for every group, wide enough for each label, list and button in both
// languages and every caption Connect and Find take, so that the columns line up and a language
// switch does not resize the window. Measured on a form of its own.
int MeasureColumnWidth();
int ColumnWidth(const Ui::TMainF& form);
void SetColumnWidth(Ui::TMainF& form, int width);

// The Connect and Find captions keep a mnemonic on their first letter in both languages.
QString WithMnemonic(const char* utf8);

}  // namespace form
