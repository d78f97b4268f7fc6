#pragma once

#include <functional>
#include <string>
#include <vector>

// What the system can say about a device: who may open it, and who holds it, by an open
// descriptor or by a UUCP lock file (LCK..ttyUSB0 holding the owner's process number).
namespace device_facts {

// The name of the group that owns device ("dialout"); empty when it cannot be read.
std::string GroupOf(const std::string& device);

// The program that has device open or locked, as "minicom, process 4242": the first other
// process, by number, that this user may look at, or the live owner of a lock file; the lock
// file's path for one that names no process (another program between making and writing it)
// while it is less than 10 s old. A process holding the master of a pseudo-terminal is its far
// end, the device itself, not a holder.
// Empty when there is none, for a device that is no terminal, or where the system cannot say.
// keepLooking, where given, is asked before each process; once it answers false the look ends
// with none found.
std::string HolderOf(const std::string& device, const std::function<bool()>& keepLooking = {});

// The folders searched for lock files and where this process makes its own: /run/lock and
// /var/lock unless set (tests set a folder of their own).
void SetLockFolders(std::vector<std::string> folders);

// Makes this process's lock file for device in the first lock folder that takes it, replacing
// a stale one of a process that has ended; its path, or empty where none could be made.
std::string TakeLock(const std::string& device);
// Removes a lock file TakeLock made; nothing for an empty path.
void DropLock(const std::string& lockPath);

}  // namespace device_facts
