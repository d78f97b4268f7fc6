#pragma once

#include <QString>

#include "serial.h"
#include "settings_sequence.h"

// The user's choices kept between runs: on Windows the registry key
// HKEY_CURRENT_USER\Software\Tavrin Ltd\Quillsetter, elsewhere "Tavrin Ltd/Quillsetter.conf" in
// the user's configuration folder.
namespace prefs {

// List indices as the lists select them (-1: nothing selected); language -1, 0 Bulgarian,
// 1 English; port is the COM number 1..8; the printer settings with their defaults. Beside the
// thirteen numbers, the detected device chosen after the port (its stable name, "PortDevice";
// empty when none), which wins at start while it is there.
struct StoredChoices {
  int language = -1;
  int port = 1;
  int baud = 7;
  printer::PrinterSettings printer;
  QString portDevice;
  bool printSlip = false;  // "PrintSlip": the window prints a slip after every completed Set

  bool operator==(const StoredChoices&) const = default;
};

enum class LoadStatus {
  Loaded,          // every value read or defaulted
  KeyUnavailable,  // the store cannot be opened: nothing read, no language applied
  Failed,          // another failure: "Failed loading preferences!", defaults where unread
};

struct LoadResult {
  LoadStatus status = LoadStatus::Loaded;
  StoredChoices choices;
};

LoadResult Load();

// False when the choices could not all be written: "Failed saving preferences!".
bool Save(const StoredChoices& choices);

// The device named for COM<portNumber> in group "Ports" ("COM1=/dev/ttyUSB0"), read anew on
// every call; empty when there is none.
QString DeviceForPort(int portNumber);
// DeviceForPort for a Tserial, which opens its default device for a port the map leaves out.
Tserial::DeviceResolver PortMapResolver();

// True where the system's ANSI code page is 1251 (Windows) or its locale's script is Cyrillic.
bool SystemUsesCyrillic();

}  // namespace prefs
