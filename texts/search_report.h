#pragma once

#include <QString>

#include "interface_language.h"
#include "printer_search.h"

namespace texts {

// What a search that found no supported printer says: its first line, then a line for each
// port with what was seen there ("COM1 — ttyS0: no answer").
QString SearchReport(const printer::SearchResult& result, InterfaceLanguage language);

}  // namespace texts
