// Who may open a device and who holds it, from the file's owner, /proc and the lock folders.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX kill
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "device_facts.h"

namespace device_facts {
namespace {

namespace fs = std::filesystem;

std::optional<int> NumberOf(std::string_view text) {
  int number = 0;
  const auto [rest, parsed] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (parsed != std::errc() || rest != text.data() + text.size()) return std::nullopt;
  return number;
}

// Process numbers in /proc, lowest first.
std::vector<int> Processes() {
  std::vector<int> processes;
  std::error_code error;
  for (fs::directory_iterator entry("/proc", error), end; !error && entry != end;
       entry.increment(error)) {
    if (const auto process = NumberOf(entry->path().filename().string())) {
      processes.push_back(*process);
    }
  }
  std::sort(processes.begin(), processes.end());
  return processes;
}

// The number of a pseudo-terminal's slave device, /dev/pts/<n>.
std::optional<int> PtyNumber(const fs::path& device) {
  if (device.parent_path() != "/dev/pts") return std::nullopt;
  return NumberOf(device.filename().string());
}

// Whether the descriptor is the master of pseudo-terminal number pty; the kernel names it in
// the descriptor's fdinfo.
bool IsMasterOf(int process, const char* descriptor, int pty) {
  std::ifstream info("/proc/" + std::to_string(process) + "/fdinfo/" + descriptor);
  const std::string wanted = std::to_string(pty);
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("tty-index:", 0) != 0) continue;
    const std::size_t number = line.find_first_not_of(" \t", std::strlen("tty-index:"));
    return number != std::string::npos && line.substr(number) == wanted;
  }
  return false;
}

// Whether one of the process's descriptors leads to target, and the process is not the far
// end of target's pseudo-terminal; false where it may not be seen. Run for every process at
// every open, so plain system calls rather than paths and streams.
bool Holds(int process, const std::string& target, std::optional<int> pty) {
  const std::string folder = "/proc/" + std::to_string(process) + "/fd";
  DIR* descriptors = opendir(folder.c_str());
  if (descriptors == nullptr) return false;
  bool open = false;
  std::vector<std::string> masters;
  std::array<char, 4096> leadsTo{};
  while (const dirent* entry = readdir(descriptors)) {
    if (entry->d_name[0] == '.') continue;
    const ssize_t length =
        readlinkat(dirfd(descriptors), entry->d_name, leadsTo.data(), leadsTo.size());
    // A process this one may not look into refuses every descriptor alike.
    if (length < 0 && errno == EACCES) break;
    if (length <= 0) continue;
    const std::string_view link(leadsTo.data(), static_cast<std::size_t>(length));
    open = open || link == target;
    if (pty && (link == "/dev/ptmx" || link == "/dev/pts/ptmx"))
      masters.emplace_back(entry->d_name);
  }
  closedir(descriptors);
  return open && std::none_of(masters.begin(), masters.end(), [&](const std::string& master) {
           return IsMasterOf(process, master.c_str(), *pty);
         });
}

// A terminal device: a pty's slave, or a character device of the kernel's tty class. Others
// (/dev/null, a plain file) are open in many processes and are no port anyway.
bool IsTerminal(const fs::path& device) {
  struct stat status {};
  if (stat(device.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) return false;
  if (PtyNumber(device)) return true;
  std::error_code error;
  const fs::path subsystem =
      fs::read_symlink("/sys/dev/char/" + std::to_string(major(status.st_rdev)) + ':' +
                           std::to_string(minor(status.st_rdev)) + "/subsystem",
                       error);
  return !error && subsystem.filename() == "tty";
}

std::string ProgramName(int process) {
  std::ifstream comm("/proc/" + std::to_string(process) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

std::string Described(int process) {
  std::string holder = ProgramName(process);
  if (!holder.empty()) holder += ", ";
  return holder + "process " + std::to_string(process);
}

bool Alive(int process) { return process > 0 && (kill(process, 0) == 0 || errno == EPERM); }

// The folders lock files are looked for and made in; tests set their own.
struct LockFolderSetting {
  std::mutex mutex;
  std::vector<std::string> folders = {"/run/lock", "/var/lock"};
};

LockFolderSetting& LockFolderSettings() {
  static LockFolderSetting setting;
  return setting;
}

std::vector<std::string> LockFolders() {
  LockFolderSetting& setting = LockFolderSettings();
  const std::lock_guard lock(setting.mutex);
  return setting.folders;
}

// LCK..ttyUSB0 for /dev/ttyUSB0, LCK..pts_3 for /dev/pts/3.
std::string LockName(const fs::path& device) {
  std::string name = device.lexically_relative("/dev").string();
  if (name.empty() || name.rfind("..", 0) == 0) name = device.filename().string();
  std::replace(name.begin(), name.end(), '/', '_');
  return "LCK.." + name;
}

// The process number a lock file holds: ASCII digits after blanks, whatever follows them
// (minicom writes "      4242 minicom user", some programs end the line in CRLF), or a binary
// int of four bytes as older programs write it; none when it names no process or cannot be read.
std::optional<int> LockOwner(const fs::path& lockFile) {
  std::ifstream file(lockFile, std::ios::binary);
  std::array<char, 64> bytes{};
  file.read(bytes.data(), bytes.size());
  const auto length = static_cast<std::size_t>(file.gcount());
  const std::string_view text(bytes.data(), length);
  // Four bytes that are not all digits, blanks and line ends are a binary number.
  constexpr std::string_view kTextBytes("0123456789 \t\r\n\0", 15);
  const bool binary =
      length == sizeof(int) && text.find_first_not_of(kTextBytes) != std::string_view::npos;
  int owner = 0;
  if (binary) {
    std::memcpy(&owner, bytes.data(), sizeof owner);
  } else {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    std::from_chars(text.data() + first, text.data() + length, owner);
  }
  if (owner <= 0) return std::nullopt;
  return owner;
}

// Whether a lock file naming no process is still being made: another program between its
// create and its write. Older than this, it is left over.
constexpr std::chrono::seconds kFreshLock{10};

bool IsFresh(const struct stat& status) {
  const auto age =
      std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(status.st_mtime);
  return age < kFreshLock && age > -kFreshLock;
}

// Who holds the device by a lock file: "minicom, process 4242" for a live process other than
// this one, the file's path for a fresh one that names none or cannot be read; empty for none,
// or one left by a process that has ended.
std::string LockFileHolder(const fs::path& lockFile) {
  struct stat status {};
  if (stat(lockFile.c_str(), &status) != 0) return {};
  if (const std::optional<int> owner = LockOwner(lockFile)) {
    return *owner != getpid() && Alive(*owner) ? Described(*owner) : std::string();
  }
  return IsFresh(status) ? lockFile.string() : std::string();
}

// The holder by a lock file that names device or target, as LockFileHolder says it.
std::string LockHolder(const fs::path& device, const fs::path& target) {
  for (const std::string& folder : LockFolders()) {
    for (const fs::path& name : {device, target}) {
      std::string holder = LockFileHolder(fs::path(folder) / LockName(name));
      if (!holder.empty()) return holder;
    }
  }
  return {};
}

bool WriteOwner(int fd) {
  std::array<char, 16> text{};
  const int length = std::snprintf(text.data(), text.size(), "%10d\n", static_cast<int>(getpid()));
  return length > 0 && write(fd, text.data(), static_cast<std::size_t>(length)) == length;
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

std::string HolderOf(const std::string& device, const std::function<bool()>& keepLooking) {
  std::error_code error;
  const fs::path target = fs::canonical(device, error);
  if (error || !IsTerminal(target)) return {};
  // This process's own descriptors are not what keeps it out (a pty's far end, say).
  const int self = getpid();
  const std::optional<int> pty = PtyNumber(target);
  for (const int process : Processes()) {
    if (keepLooking && !keepLooking()) return {};
    if (process != self && Holds(process, target.string(), pty)) return Described(process);
  }
  return LockHolder(device, target);
}

void SetLockFolders(std::vector<std::string> folders) {
  LockFolderSetting& setting = LockFolderSettings();
  const std::lock_guard lock(setting.mutex);
  setting.folders = std::move(folders);
}

std::string TakeLock(const std::string& device) {
  std::error_code error;
  const fs::path target = fs::canonical(device, error);
  if (error) return {};
  for (const std::string& folder : LockFolders()) {
    std::string path = (fs::path(folder) / LockName(target)).string();
    for (int attempt = 0; attempt < 2; ++attempt) {
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
      if (fd >= 0) {
        const bool written = WriteOwner(fd);
        close(fd);
        if (written) return path;
        unlink(path.c_str());
        break;
      }
      // A lock left by a process that has ended, or by this one, is taken over.
      if (errno != EEXIST || !LockFileHolder(path).empty() || unlink(path.c_str()) != 0) break;
    }
  }
  return {};
}

void DropLock(const std::string& lockPath) {
  if (!lockPath.empty()) unlink(lockPath.c_str());
}

}  // namespace device_facts
