#include "system_console.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <utility>

namespace system_console {
namespace {

// Where the kernel lists the active consoles; tests set a file of their own.
struct ActiveListSetting {
  std::mutex mutex;
  std::string path = "/sys/class/tty/console/active";
};

ActiveListSetting& ActiveListSettings() {
  static ActiveListSetting setting;
  return setting;
}

std::string ActiveList() {
  ActiveListSetting& setting = ActiveListSettings();
  const std::lock_guard lock(setting.mutex);
  return setting.path;
}

// The number of the character device a path leads to; none for anything else. On Windows there
// are none: COM names are compared as they are.
std::optional<std::uint64_t> DeviceNumber(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return std::nullopt;
#else
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return std::nullopt;
  return status.st_rdev;
#endif
}

// /dev/tty (the process's own terminal) and /dev/console, under whatever name they are reached.
bool IsSystemTerminal(std::uint64_t number) {
#ifdef _WIN32
  (void)number;
  return false;
#else
  return number == makedev(5, 0) || number == makedev(5, 1);
#endif
}

}  // namespace

void SetActiveList(std::string path) {
  ActiveListSetting& setting = ActiveListSettings();
  const std::lock_guard lock(setting.mutex);
  setting.path = std::move(path);
}

std::vector<std::string> Devices() {
  std::ifstream list(ActiveList());
  std::vector<std::string> devices;
  for (std::string name; list >> name;) {
    devices.push_back("/dev/" + name);
    // tty0 is whichever virtual terminal is in front; the kernel names it.
    if (name == "tty0") {
      std::ifstream front("/sys/class/tty/tty0/active");
      if (std::string terminal; front >> terminal) devices.push_back("/dev/" + terminal);
    }
  }
  return devices;
}

std::string Resolved(const std::string& path) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved.string();
}

bool IsConsole(const std::string& device, const std::vector<std::string>& consoles) {
  // A device node has any name and need not be a link to its /dev entry: its number decides.
  const std::optional<std::uint64_t> number = DeviceNumber(device);
  if (number && IsSystemTerminal(*number)) return true;
  const std::string resolved = Resolved(device);
  return std::any_of(consoles.begin(), consoles.end(), [&](const std::string& console) {
    const std::optional<std::uint64_t> consoleNumber = DeviceNumber(console);
    return number && consoleNumber ? *number == *consoleNumber : Resolved(console) == resolved;
  });
}

}  // namespace system_console
