#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>

#include "printer.h"

// What the command line writes: results on standard output, messages on standard error, and with
// --json one object on standard output for every outcome, a failure included.
namespace cli {

// A printer, or the port and rate a command tried.
struct Found {
  QString port;
  QString device;
  std::uint32_t baud = 0;
  QString model;
  int family = printer::kNoFamily;
};

// A line for a terminal: control characters (a printer's reply may hold ESC [ 2 J) are written
// as escapes such as \x1b; line breaks stay.
QString Printable(const QString& text);

void Out(const QString& text);
void Err(const QString& text);
// One JSON object on one line of standard output.
void OutJson(const QJsonObject& object);

// The printer found, as JSON or as the sentence.
void Report(const Found& found, bool json, const QString& sentence);

// Says why a command failed and returns its exit status; with json also the object
// {"error": message, "status": status} with the port, device and baud it tried, where it tried
// one.
int Failed(bool json, int status, const QString& message, const Found& tried = {});

}  // namespace cli
