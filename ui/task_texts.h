#pragma once

#include <QString>

namespace printer {
struct SearchResult;
}

// The texts of the printer search, the test page and the wait for a restarted printer in one
// interface language, as UTF-8.
struct TaskTexts {
  const char* find;
  const char* stop;
  const char* looking;   // %1 the port, %2 the rate
  const char* notFound;  // the first line of the message when no printer answered
  const char* noAnswer;
  const char* unsupported;  // %1 the model, %2 the rate
  const char* held;
  const char* heldBy;  // %1 the program holding the port
  const char* console;
  const char* cannotOpen;
  const char* notTried;
  const char* testPage;
  const char* waitingForRestart;  // %1 the new rate
  const char* newRateTaken;       // %1 the new rate
  const char* newRateNotTaken;    // %1 the old rate
};

const TaskTexts& TaskTextsFor(int language);

// The message of a search that found no supported printer: what was seen on each port.
QString NotFoundMessage(const printer::SearchResult& result, int language);
