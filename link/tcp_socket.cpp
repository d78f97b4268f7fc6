#include "tcp_socket.h"

#include "address_lookup.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>

namespace {

#ifdef _WIN32
using Handle = SOCKET;
constexpr int kWouldBlock = WSAEWOULDBLOCK;
constexpr int kRefused = WSAECONNREFUSED;

int LastError() { return WSAGetLastError(); }
void CloseHandle(Handle handle) { closesocket(handle); }
bool IsTransient(int error) { return error == WSAEWOULDBLOCK || error == WSAEINTR; }

// Winsock is started once for the process and left running until it ends.
bool StartNetwork() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

bool MakeNonBlocking(Handle handle) {
  u_long on = 1;
  return ioctlsocket(handle, FIONBIO, &on) == 0;
}

// Winsock's poll misses a failed connect on some versions; select reports it as an exception.
int WaitHandle(Handle handle, bool writable, int ms, bool& failed) {
  fd_set ready;
  fd_set broken;
  FD_ZERO(&ready);
  FD_ZERO(&broken);
  FD_SET(handle, &ready);
  FD_SET(handle, &broken);
  timeval limit{ms / 1000, (ms % 1000) * 1000};
  const int count =
      select(0, writable ? nullptr : &ready, writable ? &ready : nullptr, &broken, &limit);
  failed = count < 0 || FD_ISSET(handle, &broken);
  return count;
}

constexpr int kSendFlags = 0;

void AcknowledgeAtOnce(Handle /*handle*/) {}
#else
using Handle = int;
constexpr int kWouldBlock = EINPROGRESS;
constexpr int kRefused = ECONNREFUSED;

int LastError() { return errno; }
void CloseHandle(Handle handle) { close(handle); }
bool IsTransient(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }
bool StartNetwork() { return true; }

bool MakeNonBlocking(Handle handle) {
  const int flags = fcntl(handle, F_GETFL);
  return flags >= 0 && fcntl(handle, F_SETFL, flags | O_NONBLOCK) == 0 &&
         fcntl(handle, F_SETFD, FD_CLOEXEC) == 0;
}

int WaitHandle(Handle handle, bool writable, int ms, bool& failed) {
  for (;;) {
    pollfd entry{handle, static_cast<short>(writable ? POLLOUT : POLLIN), 0};
    const int count = poll(&entry, 1, ms);
    if (count < 0 && errno == EINTR) continue;
    // A peer that closed its end is readable: the read that follows tells.
    failed = count < 0 || (entry.revents & (POLLERR | POLLNVAL)) != 0 ||
             (writable && (entry.revents & POLLHUP) != 0);
    return count;
  }
}

// A write to a connection the peer has closed fails instead of raising SIGPIPE.
constexpr int kSendFlags = MSG_NOSIGNAL;

// A server that leaves Nagle's algorithm on holds its next answer until this side acknowledges
// the last; a delayed acknowledgement would add 40 ms to every reply. The kernel clears the
// flag again after a while, so it is set after each read.
void AcknowledgeAtOnce(Handle handle) {
#ifdef TCP_QUICKACK
  const int on = 1;
  setsockopt(handle, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
}
#endif

// NOLINTBEGIN(performance-no-int-to-ptr): the handle is kept as a number of one width
Handle AsHandle(std::intptr_t handle) { return static_cast<Handle>(handle); }
// NOLINTEND(performance-no-int-to-ptr)

int PendingError(Handle handle) {
  int error = 0;
  socklen_t length = sizeof error;
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the option's value is untyped
  if (getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    return LastError();
  }
  return error;
}

}  // namespace

TcpSocket::Connected TcpSocket::Connect(const std::string& host, const std::string& port,
                                        const SerialDeadline& deadline,
                                        const std::function<bool()>& keepWaiting,
                                        int& systemError) {
  Close();
  systemError = 0;
  if (!StartNetwork()) return Connected::Other;
  AddressLookup lookup;
  switch (lookup.Run(AddressLookup::System(host, port), deadline, keepWaiting)) {
    case AddressLookup::Outcome::Found:
      break;
    case AddressLookup::Outcome::NoSuchHost:
      systemError = lookup.Error();
      return Connected::NoSuchHost;
    case AddressLookup::Outcome::NoAnswer:
      return Connected::NoAnswer;
    case AddressLookup::Outcome::Stopped:
      return Connected::Stopped;
  }

  Connected outcome = Connected::NoAnswer;
  for (const addrinfo* address = lookup.Addresses(); address != nullptr;
       address = address->ai_next) {
    const Handle handle = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (handle == AsHandle(kNone)) {
      systemError = LastError();
      outcome = Connected::Other;
      continue;
    }
    handle_ = static_cast<std::intptr_t>(handle);
    const int on = 1;
    // Commands are a few bytes each; they go at once rather than wait to fill a segment.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the option's value is untyped
    setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    const bool started =
        MakeNonBlocking(handle) &&
        (connect(handle, address->ai_addr, static_cast<socklen_t>(address->ai_addrlen)) == 0 ||
         LastError() == kWouldBlock);
    systemError = started ? 0 : LastError();
    while (started && !deadline.Passed()) {
      bool failed = false;
      const int ready =
          WaitHandle(handle, true, std::min(deadline.RemainingMs(), kWaitSliceMs), failed);
      if (ready > 0 || failed) {
        systemError = PendingError(handle);
        if (systemError == 0 && !failed) return Connected::Yes;
        break;
      }
      if (keepWaiting && !keepWaiting()) {
        Close();
        return Connected::Stopped;
      }
    }
    Close();
    if (systemError == kRefused) {
      outcome = Connected::Refused;
    } else if (systemError != 0 && outcome != Connected::Refused) {
      outcome = Connected::Other;
    }
    if (deadline.Passed()) return Connected::NoAnswer;
  }
  return outcome;
}

void TcpSocket::Close() {
  if (IsOpen()) CloseHandle(AsHandle(handle_));
  handle_ = kNone;
}

int TcpSocket::Send(std::span<const std::uint8_t> bytes) {
  if (!IsOpen()) return -1;
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): Winsock takes char
  const auto moved = send(AsHandle(handle_), reinterpret_cast<const char*>(bytes.data()),
                          static_cast<int>(bytes.size()), kSendFlags);
  if (moved >= 0) return static_cast<int>(moved);
  return IsTransient(LastError()) ? 0 : -1;
}

int TcpSocket::Receive(std::span<std::uint8_t> buffer) {
  if (!IsOpen()) return -1;
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): Winsock takes char
  const auto moved = recv(AsHandle(handle_), reinterpret_cast<char*>(buffer.data()),
                          static_cast<int>(buffer.size()), 0);
  if (moved > 0) {
    AcknowledgeAtOnce(AsHandle(handle_));
    return static_cast<int>(moved);
  }
  if (moved < 0 && IsTransient(LastError())) return 0;
  return -1;
}

TcpSocket::Waited TcpSocket::WaitFor(bool writable, const SerialDeadline& deadline) const {
  if (!IsOpen()) return Waited::Gone;
  bool failed = false;
  const int ready = WaitHandle(AsHandle(handle_), writable,
                               std::min(deadline.RemainingMs(), kWaitSliceMs), failed);
  if (failed) return Waited::Gone;
  return ready > 0 ? Waited::Ready : Waited::TimedOut;
}
