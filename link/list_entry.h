#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace printer {

// The entry a list shows at an index; "" for an index outside the list (nothing selected).
template <std::size_t N>
std::string ListEntry(const std::array<const char*, N>& entries, int index) {
  return index >= 0 && index < static_cast<int>(N) ? entries[static_cast<std::size_t>(index)] : "";
}

}  // namespace printer
