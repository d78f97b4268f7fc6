#pragma once

#include <QString>

#include <cstdint>
#include <functional>

#include "settings_sequence.h"

// The dry run: what a send would write, step by step, instead of writing it.
namespace cli {

// Each step with its bytes in hex, what they mean, and the pause after it; then the total time,
// the wire time at the rate included when the rate is known (not 0). With json, one JSON object.
void PrintPlan(const QString& title, const printer::SettingsSequence& steps, int family,
               std::uint32_t rate, bool json);

// The plan of the steps for the family of a model named by --model, without any port; the exit
// status (kUnsupported, with the message written, for a model the table lacks).
int PlanForModel(const QString& model,
                 const std::function<printer::SettingsSequence(int family)>& stepsFor, bool json);

}  // namespace cli
