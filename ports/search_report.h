#pragma once

#include <QString>

#include "printer_search.h"
#include "text_language.h"

namespace ports {

// What a search that found no supported printer says: its first line, then a line for each
// port with what was seen there ("COM1 — ttyS0: no answer").
QString SearchReport(const printer::SearchResult& result, TextLanguage language);

}  // namespace ports
