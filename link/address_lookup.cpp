#include "address_lookup.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

struct AddressLookup::Shared {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  int error = 0;
  addrinfo* found = nullptr;

  Shared() = default;
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;
  Shared(Shared&&) = delete;
  Shared& operator=(Shared&&) = delete;
  ~Shared() {
    if (found != nullptr) freeaddrinfo(found);
  }

  void Finish(int result, addrinfo* addresses) {
    const std::lock_guard lock(mutex);
    error = result;
    found = addresses;
    done = true;
    finished.notify_all();
  }
};

AddressLookup::Resolver AddressLookup::System(const std::string& host, const std::string& port) {
  return [host, port](addrinfo** found) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    return getaddrinfo(host.c_str(), port.c_str(), &hints, found);
  };
}

AddressLookup::Outcome AddressLookup::Run(const Resolver& resolve, const SerialDeadline& deadline,
                                          const std::function<bool()>& keepWaiting) {
  shared_ = std::make_shared<Shared>();
  try {
    std::thread([shared = shared_, resolve] {
      addrinfo* found = nullptr;
      const int error = resolve(&found);
      shared->Finish(error, found);
    }).detach();
  } catch (const std::system_error&) {
    // Without a thread to spare, the lookup waits as the system's resolver does.
    addrinfo* found = nullptr;
    const int error = resolve(&found);
    shared_->Finish(error, found);
  }
  for (;;) {
    {
      std::unique_lock lock(shared_->mutex);
      const std::chrono::milliseconds slice(std::min(deadline.RemainingMs(), kWaitSliceMs));
      if (shared_->finished.wait_for(lock, slice, [this] { return shared_->done; })) {
        return shared_->error == 0 ? Outcome::Found : Outcome::NoSuchHost;
      }
    }
    if (deadline.Passed()) return Outcome::NoAnswer;
    // The hook may run the caller's event loop: it runs with nothing locked.
    if (keepWaiting && !keepWaiting()) return Outcome::Stopped;
  }
}

const addrinfo* AddressLookup::Addresses() const {
  if (!shared_) return nullptr;
  const std::lock_guard lock(shared_->mutex);
  return shared_->done && shared_->error == 0 ? shared_->found : nullptr;
}

int AddressLookup::Error() const {
  if (!shared_) return 0;
  const std::lock_guard lock(shared_->mutex);
  return shared_->error;
}
