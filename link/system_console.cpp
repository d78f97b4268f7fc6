#include "system_console.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
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

}  // namespace

void SetActiveList(std::string path) {
  ActiveListSetting& setting = ActiveListSettings();
  const std::lock_guard lock(setting.mutex);
  setting.path = std::move(path);
}

std::vector<std::string> Devices() {
  std::ifstream list(ActiveList());
  std::vector<std::string> devices;
  for (std::string name; list >> name;) devices.push_back("/dev/" + name);
  return devices;
}

std::string Resolved(const std::string& path) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? path : resolved.string();
}

bool IsConsole(const std::string& device, const std::vector<std::string>& consoles) {
  const std::string resolved = Resolved(device);
  return std::any_of(consoles.begin(), consoles.end(), [&resolved](const std::string& console) {
    return Resolved(console) == resolved;
  });
}

}  // namespace system_console
