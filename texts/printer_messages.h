#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

#include "interface_language.h"
#include "serial.h"

// The messages about a printer that the window and the command line both show. They are the
// tool's own English sentences in every language; only the reasons a port would not open and
// the rate to set on a device server are said in the interface language.
namespace texts {

// "Connect failed. ...", and after a blank line why the port would not open at rate, where the
// system said.
QString ConnectFailed(const OpenError& error, std::uint32_t rate, InterfaceLanguage language);
// "Error communicating with printer"
QString NoAnswer();
// "This printer model (NAME) is not supported!", the name as it is.
QString UnsupportedModel(const QString& model);
// What a send to a printer with DIP switches ends with.
QString OperationComplete();

// After a send that moved a printer behind a raw TCP port (socket://shop12.lan:7000) to a new
// rate: "Set the device server at shop12.lan:7000 to 9600 bps.", in the language.
QString SetDeviceServer(const QString& port, std::uint32_t rate, InterfaceLanguage language);

// A model name from a printer's reply, byte for byte.
QString ModelName(std::string_view reported);

}  // namespace texts
