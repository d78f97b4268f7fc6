#pragma once

#include <functional>
#include <memory>
#include <string>

#include "serial_deadline.h"

struct addrinfo;

// A host's addresses, looked up on a thread of their own: a name server gone quiet holds the
// caller no longer than its deadline, and the caller's wait hook runs between slices meanwhile.
// A lookup given up on finishes alone and frees what it found.
class AddressLookup {
 public:
  enum class Outcome { Found, NoSuchHost, NoAnswer, Stopped };
  // Fills in the addresses and returns 0, or returns the resolver's error.
  using Resolver = std::function<int(addrinfo** found)>;

  // The system's resolver, for a TCP stream to host at port.
  static Resolver System(const std::string& host, const std::string& port);

  Outcome Run(const Resolver& resolve, const SerialDeadline& deadline,
              const std::function<bool()>& keepWaiting);
  // The addresses after Found, else none.
  [[nodiscard]] const addrinfo* Addresses() const;
  // The resolver's error after NoSuchHost.
  [[nodiscard]] int Error() const;

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};
