#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "settings_sequence.h"

class QComboBox;
namespace Ui {
class TMainF;
}

// The lists of the form that show the printer settings, each with the setting it selects.
using PrinterLists = std::array<std::pair<QComboBox*, int printer::PrinterSettings::*>, 10>;

PrinterLists PrinterListsOf(const Ui::TMainF& form);
// The settings the lists select; -1 for a list with no entry selected.
printer::PrinterSettings SelectedSettings(const PrinterLists& lists);
// Selects each setting in its list; an index outside a list leaves it with no entry selected.
void SelectSettings(const PrinterLists& lists, const printer::PrinterSettings& settings);
// Selects the entry of the rate in a list of the baud rates; nothing changes for another rate.
void SelectRate(QComboBox& list, std::uint32_t rate);
