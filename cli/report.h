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

// A line of text on standard output; once a write has failed (a closed pipe, a full disk), no
// more is written.
void Out(const QString& text);
void Err(const QString& text);
// One JSON object on one line of standard output, escaped as JSON whatever bytes a printer sent.
void OutJson(const QJsonObject& object);
// The exit status once every result has been written: where a write to standard output failed,
// the failure said on standard error and kNotWritten in place of kDone.
int WithOutputWritten(int status);

// The printer found, as JSON (with the members of more) or as the sentence.
void Report(const Found& found, bool json, const QString& sentence, const QJsonObject& more = {});

// Says why a command failed and returns its exit status; with json also the object
// {"error": message, "status": status} with the port, device and baud it tried, where it tried
// one, and the members of more.
int Failed(bool json, int status, const QString& message, const Found& tried = {},
           const QJsonObject& more = {});

}  // namespace cli
