#pragma once

#include <QString>

#include "interface_language.h"

class QWidget;

// Asks for the address of a port on a device server: a whole address (rfc2217://shop12.lan:7000,
// socket://10.0.0.5:4001), or host and port with a choice of RFC 2217 or raw TCP. The address,
// or empty when the user cancels.
QString AskForNetworkPort(QWidget* parent, InterfaceLanguage language);
