#include "system_console.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <utility>

namespace system_console {
namespace {

std::mutex listMutex;
std::string activeList = "/sys/class/tty/console/active";

}  // namespace

void SetActiveList(std::string path) {
  const std::lock_guard lock(listMutex);
  activeList = std::move(path);
}

std::vector<std::string> Devices() {
  std::ifstream list([] {
    const std::lock_guard lock(listMutex);
    return activeList;
  }());
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
