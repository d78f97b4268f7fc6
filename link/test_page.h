#pragma once

#include <string>
#include <string_view>

#include "interface_language.h"
#include "settings_sequence.h"

// The test page: what the printer is set to, and the chart of its code page, printed without
// changing anything the printer stores. The window and the command line run it with RunSteps.
namespace printer {

inline constexpr std::string_view kTestPageTitle = "Quillsetter test page";

// The entries the lists show for the chosen settings.
struct TestPageLabels {
  std::string intensity;
  std::string speed;
  std::string country;
  std::string codePage;
};

// The entries the lists show for settings on a printer of a family; "" for an index outside a
// list.
TestPageLabels LabelsOf(const PrinterSettings& settings, int family);

// The sample line in an interface language.
std::string_view TestPageSample(InterfaceLanguage language);

// ESC @; the title, "Model: " and the name, and the four labels, a line each; ESC t with the chosen
// code page; the chart of bytes 0x20..0xFF, sixteen a row, each row led by "2x: ".."Fx: "; the
// sample line, when the code page's encoding is known and holds every letter of it; four line
// feeds; GS V 66 0 (feed and cut); ESC @ again. Text goes in the chosen code page where it is
// known, as it is otherwise. One step a line, without pauses; the first sets the bar's maximum;
// the last, ESC @, goes out also after a stop.
SettingsSequence BuildTestPage(std::string_view modelName, const PrinterSettings& settings,
                               const TestPageLabels& labels, InterfaceLanguage language);

}  // namespace printer
