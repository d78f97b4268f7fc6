#pragma once

#include "interface_language.h"

// The texts of the printer search, the test page and the wait for a restarted printer in one
// interface language, as UTF-8.
struct TaskTexts {
  const char* find;
  const char* stop;
  const char* looking;  // %1 the port, %2 the rate
  const char* testPage;
  const char* waitingForRestart;  // %1 the new rate
  const char* newRateTaken;       // %1 the new rate
  const char* newRateNotTaken;    // %1 the old rate
};

const TaskTexts& TaskTextsFor(InterfaceLanguage language);
