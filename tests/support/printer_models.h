#pragma once

#include <array>

// The supported models as their printers name themselves, with the family of each, written here
// once for every test; and one model of each family for tests that need any.
struct PrinterModel {
  const char* name;
  int family;
};

inline constexpr std::array<PrinterModel, 6> kSupportedModels = {{
    {"Tavrin MR71C Printer", 0},
    {"QAV MR71C Printer", 0},
    {"JOX MR71C Printer", 0},
    {"Tavrin MR460V Printer", 1},
    {"Tavrin MR2200T", 2},
    {"Tavrin MR2200K Printer", 2},
}};

inline constexpr const char* kFamily0Model = kSupportedModels[0].name;
// The model with DIP switches.
inline constexpr const char* kFamily1Model = kSupportedModels[3].name;
inline constexpr const char* kFamily2Model = kSupportedModels[4].name;
