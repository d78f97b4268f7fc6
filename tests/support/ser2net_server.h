#pragma once

#include <sys/types.h>

#include <string>

#include "temp_dir.h"

// Debian's ser2net on 127.0.0.1, sharing one device (a virtual printer's pseudo-terminal) over
// RFC 2217 or raw TCP, for tests and benchmarks. Each server has a port and a configuration of
// its own; nothing listens beyond the loopback address.
namespace test_support {

enum class Ser2netProtocol { Rfc2217, RawTcp };

class Ser2netServer {
 public:
  // The ser2net program, or empty where it is not installed.
  static std::string Program();
  // The line a test that needs ser2net prints when it skips.
  static constexpr const char* kMissing =
      "ser2net is not installed (apt-get install ser2net): the network port tests skip";

  Ser2netServer(std::string device, Ser2netProtocol protocol);
  ~Ser2netServer() { Stop(); }
  Ser2netServer(const Ser2netServer&) = delete;
  Ser2netServer& operator=(const Ser2netServer&) = delete;

  // Writes the configuration, starts ser2net on a free loopback port and waits until it
  // listens; false when it did not within 5 s. Its output goes to LogPath().
  bool Start();
  // Ends the server (SIGTERM, or SIGKILL as a crash would) and waits for it.
  void Stop();
  void Kill();
  // Stops the server as a hung one would be: connections are still taken (the kernel queues
  // them) but nothing answers. Stop and Kill end a frozen server too.
  void Freeze();
  bool Running() const { return pid_ > 0; }

  int Port() const { return port_; }
  // rfc2217://127.0.0.1:PORT or socket://127.0.0.1:PORT.
  std::string Url() const;
  std::string LogPath() const { return folder_.File("ser2net.log"); }

 private:
  void End(int signal);

  std::string device_;
  Ser2netProtocol protocol_;
  TempDir folder_{"ser2net"};
  int port_ = 0;
  pid_t pid_ = -1;
};

// A free TCP port on 127.0.0.1, as the system hands one out; 0 when none could be had.
int FreeLoopbackPort();
// Whether something listens on 127.0.0.1:port, from the kernel's table (no connection made).
bool ListensOnLoopback(int port);

}  // namespace test_support
