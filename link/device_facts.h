#pragma once

#include <string>

// What the system can say about a device that would not open: who may open it, and who holds it.
namespace device_facts {

// The name of the group that owns device ("dialout"); empty when it cannot be read.
std::string GroupOf(const std::string& device);

// The program that has device open, as "minicom, process 4242": the first other process, by
// number, that this user may look at. Empty when there is none or the system cannot say.
std::string HolderOf(const std::string& device);

}  // namespace device_facts
