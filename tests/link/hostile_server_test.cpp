// RFC 2217 ports against servers that misbehave: floods, cut sequences, endless
// subnegotiations, missing answers. Each server is a thread of the test on 127.0.0.1.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "printer_search.h"
#include "serial.h"
#include "serial_line.h"
#include "telnet_codec.h"

namespace {

using serial_test::Clock;
using serial_test::MillisSince;
using Bytes = std::vector<std::uint8_t>;

bool SendAll(int fd, const Bytes& bytes) {
  return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// Reads what the client sends until it asks for a rate and answers with that rate (or with
// reported), as a server that acknowledges nothing else; false when the client went or the
// server is stopped.
bool AcknowledgeTheRate(int fd, const std::atomic<bool>& stopping,
                        std::optional<std::uint32_t> reported = std::nullopt) {
  const Bytes request = {telnet::kIac, telnet::kSb, telnet::kComPort, telnet::kSetBaudRate};
  Bytes received;
  while (!stopping) {
    const auto found =
        std::search(received.begin(), received.end(), request.begin(), request.end());
    if (received.end() - found >= 8) {
      Bytes answer = {telnet::kIac, telnet::kSb, telnet::kComPort,
                      telnet::kServerAnswer + telnet::kSetBaudRate};
      if (reported) {
        answer.insert(
            answer.end(),
            {static_cast<std::uint8_t>(*reported >> 24), static_cast<std::uint8_t>(*reported >> 16),
             static_cast<std::uint8_t>(*reported >> 8), static_cast<std::uint8_t>(*reported)});
      } else {
        answer.insert(answer.end(), found + 4, found + 8);
      }
      answer.insert(answer.end(), {telnet::kIac, telnet::kSe});
      return SendAll(fd, answer);
    }
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, 10) <= 0) continue;
    std::array<std::uint8_t, 256> chunk{};
    const ssize_t moved = recv(fd, chunk.data(), chunk.size(), 0);
    if (moved <= 0) return false;
    received.insert(received.end(), chunk.begin(), chunk.begin() + moved);
  }
  return false;
}

bool Greet(int fd, const std::atomic<bool>& stopping) {
  return SendAll(fd, {telnet::kIac, telnet::kDo, telnet::kComPort}) &&
         AcknowledgeTheRate(fd, stopping);
}

void Idle(const std::atomic<bool>& stopping) {
  while (!stopping) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void Repeat(int fd, const Bytes& bytes, const std::atomic<bool>& stopping) {
  while (!stopping) {
    pollfd entry{fd, POLLOUT, 0};
    if (poll(&entry, 1, 10) > 0 && !SendAll(fd, bytes)) return;
  }
}

Bytes Times(const Bytes& bytes, int times) {
  Bytes all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), bytes.begin(), bytes.end());
  return all;
}

// Accepts one client on a loopback port and treats it as behaviour says until destroyed.
class HostileServer {
 public:
  using Behaviour = std::function<void(int fd, const std::atomic<bool>& stopping)>;

  explicit HostileServer(const Behaviour& behaviour, int backlog = 1)
      : listener_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast): the socket calls take sockaddr
    listening_ = bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                 getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                 listen(listener_, backlog) == 0;
    // NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast)
    port_ = ntohs(address.sin_port);
    if (behaviour) thread_ = std::thread([this, behaviour] { Serve(behaviour); });
  }
  ~HostileServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    close(listener_);
  }
  HostileServer(const HostileServer&) = delete;
  HostileServer& operator=(const HostileServer&) = delete;

  bool Listening() const { return listening_; }
  int Port() const { return port_; }
  std::string Url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

 private:
  void Serve(const Behaviour& behaviour) {
    while (!stopping_) {
      pollfd entry{listener_, POLLIN, 0};
      if (poll(&entry, 1, 10) <= 0) continue;
      const int client = accept(listener_, nullptr, nullptr);
      if (client < 0) continue;
      behaviour(client, stopping_);
      close(client);
    }
  }

  int listener_;
  bool listening_ = false;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// A port opened to server, with a hook that counts its calls.
struct Client {
  explicit Client(const HostileServer& server) {
    serial.SetWaitHook([this] {
      ++hookCalls;
      return true;
    });
    opened = serial.OpenDevice(server.Url(), 9600);
  }
  Tserial serial;
  int hookCalls = 0;
  bool opened = false;
};

TEST(HostileServer, ACommandFloodCannotHoldAReadPastItsDeadline) {
  const Bytes toggles = {telnet::kIac,
                         241,
                         telnet::kIac,
                         telnet::kDont,
                         telnet::kBinary,
                         telnet::kIac,
                         telnet::kDo,
                         telnet::kBinary,
                         telnet::kIac,
                         telnet::kWill,
                         1};
  HostileServer server([&toggles](int fd, const std::atomic<bool>& stopping) {
    if (Greet(fd, stopping)) Repeat(fd, Times(toggles, 300), stopping);
  });
  ASSERT_TRUE(server.Listening());
  Client client(server);
  ASSERT_TRUE(client.opened) << "the server acknowledges the rate only, not the frame or control";
  client.hookCalls = 0;

  std::array<std::uint8_t, 32> buffer{};
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(client.serial.Read(buffer.data(), 32, 300), 0);
  const long long elapsed = MillisSince(start);
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, 2000);
  EXPECT_GE(client.hookCalls, 5) << "the hook runs every slice while only commands arrive";
}

TEST(HostileServer, ADataFloodIsReadInPiecesAndDiscardedInBoundedTime) {
  HostileServer server([](int fd, const std::atomic<bool>& stopping) {
    if (Greet(fd, stopping)) Repeat(fd, Times({'A', telnet::kIac, telnet::kIac}, 1000), stopping);
  });
  Client client(server);
  ASSERT_TRUE(client.opened);

  std::array<std::uint8_t, 32> buffer{};
  const Clock::time_point start = Clock::now();
  ASSERT_EQ(client.serial.Read(buffer.data(), 32, 2000), 32);
  EXPECT_EQ(buffer[0], 'A');
  EXPECT_EQ(buffer[1], 0xFF);
  EXPECT_TRUE(client.serial.DiscardInput());
  EXPECT_LT(MillisSince(start), 1500);
}

TEST(HostileServer, AnEndlessSubnegotiationOrACutCommandEndsAReadAtItsDeadline) {
  HostileServer endless([](int fd, const std::atomic<bool>& stopping) {
    if (Greet(fd, stopping) && SendAll(fd, {'x', telnet::kIac, telnet::kSb, telnet::kComPort})) {
      Repeat(fd, Bytes(4096, 'A'), stopping);
    }
  });
  Client inEndless(endless);
  ASSERT_TRUE(inEndless.opened);
  std::array<std::uint8_t, 32> buffer{};
  Clock::time_point start = Clock::now();
  EXPECT_EQ(inEndless.serial.Read(buffer.data(), 32, 300), 1);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_LT(MillisSince(start), 2000);

  HostileServer cut([](int fd, const std::atomic<bool>& stopping) {
    if (Greet(fd, stopping) && SendAll(fd, {'A', 'B', telnet::kIac})) Idle(stopping);
  });
  Client inCut(cut);
  ASSERT_TRUE(inCut.opened);
  start = Clock::now();
  EXPECT_EQ(inCut.serial.Read(buffer.data(), 32, 300), 2);
  EXPECT_LT(MillisSince(start), 2000);
}

TEST(HostileServer, ARefusedComPortOptionOrAnUnansweredRateDoesNotOpen) {
  HostileServer refusing([](int fd, const std::atomic<bool>& stopping) {
    if (SendAll(fd, {telnet::kIac, telnet::kDont, telnet::kComPort})) Idle(stopping);
  });
  Clock::time_point start = Clock::now();
  Client refused(refusing);
  EXPECT_FALSE(refused.opened);
  EXPECT_EQ(refused.serial.LastOpenError().reason, OpenFailure::NotRfc2217);
  EXPECT_LT(MillisSince(start), 2000) << "a refusal needs no waiting";

  HostileServer silent([](int fd, const std::atomic<bool>& stopping) {
    if (SendAll(fd, {telnet::kIac, telnet::kDo, telnet::kComPort})) Idle(stopping);
  });
  start = Clock::now();
  Client unanswered(silent);
  EXPECT_FALSE(unanswered.opened);
  EXPECT_EQ(unanswered.serial.LastOpenError().reason, OpenFailure::NoAnswer);
  EXPECT_GE(MillisSince(start), 2900);
  EXPECT_LT(MillisSince(start), 6000);
}

// The server's queue of connections is full: its system drops the connect request unanswered.
TEST(HostileServer, AConnectNobodyAnswersEndsAfterThreeSecondsOrAtAStop) {
  const HostileServer full(nullptr, 0);
  ASSERT_TRUE(full.Listening());
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(full.Port()));
    // A non-blocking connect is under way when it returns.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): connect takes sockaddr
    (void)connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  Tserial serial;
  Clock::time_point start = Clock::now();
  EXPECT_FALSE(serial.OpenDevice(full.Url(), 9600));
  EXPECT_EQ(serial.LastOpenError().reason, OpenFailure::NoAnswer);
  EXPECT_GE(MillisSince(start), 2900);
  EXPECT_LT(MillisSince(start), 6000);

  int calls = 0;
  serial.SetWaitHook([&calls] { return ++calls < 10; });
  start = Clock::now();
  EXPECT_FALSE(serial.OpenDevice(full.Url(), 9600));
  EXPECT_EQ(calls, 10);
  EXPECT_LT(MillisSince(start), 1500) << "a stop request during the connect ends it";

  printer::SearchHooks hooks;
  start = Clock::now();
  hooks.stopRequested = [start] { return MillisSince(start) > 100; };
  const printer::SearchResult search =
      printer::FindPrinter({{{"shop", full.Url(), "shop"}}, 9600, {}}, hooks);
  EXPECT_TRUE(search.stopped);
  EXPECT_LT(MillisSince(start), 1000) << "the search ended soon after the stop request";
  for (const int filler : fillers) close(filler);
}

TEST(HostileServer, ClosingFromTheWaitHookEndsAReadAtOnce) {
  HostileServer server([](int fd, const std::atomic<bool>& stopping) {
    if (Greet(fd, stopping)) Idle(stopping);
  });
  Client client(server);
  ASSERT_TRUE(client.opened);
  client.serial.SetWaitHook([&client] {
    client.serial.Close();
    return true;
  });
  std::uint8_t byte = 0;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(client.serial.Read(&byte, 1, 3000), 0);
  EXPECT_LT(MillisSince(start), 1000);
  EXPECT_FALSE(client.serial.IsOpen());
  EXPECT_EQ(client.serial.Write(&byte, 1, 100), -1);
}

// A server may report its rate unasked (ser2net does when a client connects): only the report
// after the request answers it.
TEST(HostileServer, ARateReportSentBeforeTheRequestIsNotItsAnswer) {
  const auto reportingEarly = [](std::uint32_t early, std::uint32_t answer) {
    return [early, answer](int fd, const std::atomic<bool>& stopping) {
      // Four bytes of rate, most significant first.
      const Bytes report = {telnet::kIac,
                            telnet::kSb,
                            telnet::kComPort,
                            telnet::kServerAnswer + telnet::kSetBaudRate,
                            static_cast<std::uint8_t>(early >> 24),
                            static_cast<std::uint8_t>(early >> 16),
                            static_cast<std::uint8_t>(early >> 8),
                            static_cast<std::uint8_t>(early),
                            telnet::kIac,
                            telnet::kSe};
      if (!SendAll(fd, report)) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (SendAll(fd, {telnet::kIac, telnet::kDo, telnet::kComPort}) &&
          AcknowledgeTheRate(fd, stopping, answer)) {
        Idle(stopping);
      }
    };
  };
  HostileServer refusing(reportingEarly(9600, 2400));
  ASSERT_TRUE(refusing.Listening());
  const Client refused(refusing);
  EXPECT_FALSE(refused.opened) << "the server set 2400 bps, not the 9600 it reported before";
  EXPECT_EQ(refused.serial.LastOpenError().reason, OpenFailure::RateRefused);

  HostileServer taking(reportingEarly(2400, 9600));
  const Client taken(taking);
  EXPECT_TRUE(taken.opened) << "the answer to the request is 9600 bps";
}

// An open from the wait hook while a network port opens is refused; the open under way goes on
// and its port stays open.
TEST(HostileServer, AnOpenFromTheWaitHookDuringANetworkOpenIsRefused) {
  std::atomic<bool> dataArrived{false};
  HostileServer slow([&dataArrived](int fd, const std::atomic<bool>& stopping) {
    if (!SendAll(fd, {telnet::kIac, telnet::kDo, telnet::kComPort})) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!AcknowledgeTheRate(fd, stopping)) return;
    Bytes received;
    while (!stopping && std::find(received.begin(), received.end(), 'Z') == received.end()) {
      pollfd entry{fd, POLLIN, 0};
      if (poll(&entry, 1, 10) <= 0) continue;
      std::array<std::uint8_t, 256> chunk{};
      const ssize_t moved = recv(fd, chunk.data(), chunk.size(), 0);
      if (moved <= 0) return;
      received.insert(received.end(), chunk.begin(), chunk.begin() + moved);
    }
    dataArrived = !stopping;
    Idle(stopping);
  });
  HostileServer other([](int fd, const std::atomic<bool>& stopping) {
    if (Greet(fd, stopping)) Idle(stopping);
  });
  ASSERT_TRUE(slow.Listening() && other.Listening());
  Tserial serial;
  int tries = 0;
  bool innerOpened = false;
  OpenFailure innerReason = OpenFailure::None;
  serial.SetWaitHook([&] {
    if (tries++ == 0) {
      innerOpened = serial.OpenDevice(other.Url(), 9600);
      innerReason = serial.LastOpenError().reason;
    }
    return true;
  });

  EXPECT_TRUE(serial.OpenDevice(slow.Url(), 9600));
  EXPECT_GT(tries, 0) << "the hook ran while the server took its time";
  EXPECT_FALSE(innerOpened);
  EXPECT_EQ(innerReason, OpenFailure::Other);
  ASSERT_TRUE(serial.IsOpen());
  const std::uint8_t data = 'Z';
  EXPECT_EQ(serial.Write(&data, 1, 1000), 1);
  const Clock::time_point start = Clock::now();
  while (!dataArrived && MillisSince(start) < 3000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(dataArrived) << "the byte went to the port the outer open opened";
}

}  // namespace
