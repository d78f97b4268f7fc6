#pragma once

#include <string>
#include <vector>

// The system console: bytes and line settings sent there reach the system's own terminal, so no
// port that leads to it is opened.
namespace system_console {

// The kernel's list of active consoles, /sys/class/tty/console/active unless set (tests set a
// file of their own).
void SetActiveList(std::string path);

// The devices of the system console (/dev/ttyS0 for a kernel started with console=ttyS0, and for
// tty0 also the virtual terminal in front); empty where there is no such list.
std::vector<std::string> Devices();

// The device a path leads to, so that a link such as /dev/serial/by-id/... matches its device.
std::string Resolved(const std::string& path);

// Whether device is /dev/tty, /dev/console or one of consoles: the same device number, or where
// either has none (a COM name), the same path through links.
bool IsConsole(const std::string& device, const std::vector<std::string>& consoles = Devices());

}  // namespace system_console
