#pragma once

#include <QString>

#include <utility>
#include <vector>

#include "preferences.h"

// The thirteen stored values, each away from its default, for the tests that write them to a
// settings file or to the registry and read them back.
inline const prefs::StoredChoices kEveryValueChanged{.language = 0,
                                                     .port = 6,
                                                     .baud = 2,
                                                     .printer = {.intensity = 5,
                                                                 .speed = 4,
                                                                 .country = 11,
                                                                 .codePage = 19,
                                                                 .newBaud = 3,
                                                                 .autoCutter = 0,
                                                                 .paper = 0,
                                                                 .protocol = 1,
                                                                 .commandSet = 1,
                                                                 .esct = 1},
                                                     .portDevice = {},
                                                     .printSlip = false};

// The thirteen values of choices under their stored names, as numbers.
inline std::vector<std::pair<QString, int>> StoredNumbers(const prefs::StoredChoices& choices) {
  const printer::PrinterSettings& p = choices.printer;
  return {{"Language", choices.language},
          {"Port", choices.port},
          {"Baud", choices.baud},
          {"Intensity", p.intensity},
          {"Speed", p.speed},
          {"Country", p.country},
          {"CodePage", p.codePage},
          {"NewBaud", p.newBaud},
          {"Autocutter", p.autoCutter},
          {"Paper", p.paper},
          {"Protocol", p.protocol},
          {"Commandset", p.commandSet},
          {"DsiableESCt", p.esct}};
}
