#pragma once

#include <string>
#include <vector>

// The system console: bytes and line settings sent there reach the system's own terminal, so no
// port that leads to it is opened.
namespace system_console {

// The kernel's list of active consoles, /sys/class/tty/console/active unless set (tests set a
// file of their own).
void SetActiveList(std::string path);

// The devices of the system console (/dev/ttyS0 for a kernel started with console=ttyS0); empty
// where there is no such list.
std::vector<std::string> Devices();

// The device a path leads to, so that a link such as /dev/serial/by-id/... matches its device.
std::string Resolved(const std::string& path);

// Whether device, through links, is one of consoles.
bool IsConsole(const std::string& device, const std::vector<std::string>& consoles = Devices());

}  // namespace system_console
