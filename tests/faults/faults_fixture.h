#pragma once

#include <QString>

#include "window_fixture.h"

inline const QString kConnectFailed =
    "Connect failed. Please verify you have selected the right com port, the right baudrate (can "
    "be seen on printer's selftest) and you have no windows printer driver attached to this com "
    "port. This can be verified from Control Panel->Printers";
// The connect-failed message with the reason the port would not open.
inline QString ConnectFailedBecause(const QString& reason) {
  return kConnectFailed + "\n\n" + reason;
}
inline const QString kNoAnswer = "Error communicating with printer";
inline const QString kOperationComplete =
    "Operation complete. In order to DIP settings changes take effect you have to turn off and on "
    "your printer!";

// The window against a printer that misbehaves: how long each click took, and the state it left.
class FaultTest : public WindowTest {
 protected:
  // Clicks the button and returns the milliseconds its handler took.
  long long TimedClick(const char* button) const;
  // Not connected: no model family, both setting groups hidden, the port and baud lists usable,
  // and the model field as given.
  void ExpectNotConnected(const QString& modelText) const;
  void ExpectConnected(const QString& model, int family) const;
  // Points COM1 at path in the settings file.
  void MapComOne(const std::string& path);
};
