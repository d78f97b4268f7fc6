// Who may open a device and who holds it, from the file's owner and from /proc.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "device_facts.h"

namespace device_facts {
namespace {

namespace fs = std::filesystem;

// Process numbers in /proc, lowest first.
std::vector<int> Processes() {
  std::vector<int> processes;
  std::error_code error;
  for (fs::directory_iterator entry("/proc", error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    int process = 0;
    const auto [rest, parsed] = std::from_chars(name.data(), name.data() + name.size(), process);
    if (parsed == std::errc() && rest == name.data() + name.size()) processes.push_back(process);
  }
  std::sort(processes.begin(), processes.end());
  return processes;
}

// Whether one of the process's descriptors leads to target; false where it may not be seen.
bool HasOpen(int process, const fs::path& target) {
  std::error_code error;
  const fs::path descriptors = "/proc/" + std::to_string(process) + "/fd";
  for (fs::directory_iterator entry(descriptors, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code unreadable;
    if (fs::read_symlink(entry->path(), unreadable) == target) return true;
  }
  return false;
}

std::string ProgramName(int process) {
  std::ifstream comm("/proc/" + std::to_string(process) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace

std::string GroupOf(const std::string& device) {
  struct stat status {};
  if (stat(device.c_str(), &status) != 0) return {};
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(16384);
  if (getgrgid_r(status.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr) {
    return {};
  }
  return found->gr_name;
}

std::string HolderOf(const std::string& device) {
  std::error_code error;
  const fs::path target = fs::canonical(device, error);
  if (error) return {};
  // This process's own descriptors are not what keeps it out (a pty's far end, say).
  const int self = getpid();
  for (const int process : Processes()) {
    if (process == self || !HasOpen(process, target)) continue;
    std::string holder = ProgramName(process);
    if (!holder.empty()) holder += ", ";
    return holder + "process " + std::to_string(process);
  }
  return {};
}

}  // namespace device_facts
