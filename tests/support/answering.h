#pragma once

#include <cstdint>
#include <string>

#include "virtual_printer.h"

// A virtual printer that answers the identify query as model, only while the line is at baud
// (0: at any rate).
vprinter::Options AnsweringAs(const std::string& model, std::uint32_t baud = 0);
// A virtual printer that never answers.
vprinter::Options Silent();
