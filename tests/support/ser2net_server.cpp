#include "ser2net_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): POSIX kill
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

namespace test_support {

std::string Ser2netServer::Program() {
  for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
    if (access(path, X_OK) == 0) return path;
  }
  return {};
}

Ser2netServer::Ser2netServer(std::string device, Ser2netProtocol protocol)
    : device_(std::move(device)), protocol_(protocol) {}

std::string Ser2netServer::Url() const {
  const char* scheme = protocol_ == Ser2netProtocol::Rfc2217 ? "rfc2217://" : "socket://";
  return scheme + std::string("127.0.0.1:") + std::to_string(port_);
}

bool Ser2netServer::Start() {
  const std::string program = Program();
  if (Running() || program.empty() || folder_.Path().empty()) return Running();
  port_ = FreeLoopbackPort();
  if (port_ == 0) return false;
  const std::string config = folder_.File("ser2net.yaml");
  {
    const char* accepter = protocol_ == Ser2netProtocol::Rfc2217 ? "telnet(rfc2217),tcp" : "tcp";
    std::ofstream file(config);
    file << "connection: &printer\n"
         << "  accepter: " << accepter << ",127.0.0.1," << port_ << "\n"
         << "  connector: serialdev," << device_ << ",9600n81,local\n";
    if (!file) return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, LogPath().c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<std::string> words = {program, "-n", "-d", "-c", config};
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    return false;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    if (ListensOnLoopback(port_)) return true;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Stop();
  return false;
}

void Ser2netServer::Stop() { End(SIGTERM); }

void Ser2netServer::Kill() { End(SIGKILL); }

void Ser2netServer::Freeze() {
  if (Running()) kill(pid_, SIGSTOP);
}

void Ser2netServer::End(int signal) {
  if (!Running()) return;
  kill(pid_, signal);
  // A frozen server takes the signal once it runs again.
  kill(pid_, SIGCONT);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  // NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast): the socket calls take sockaddr
  const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  // NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast)
  close(fd);
  return bound ? ntohs(address.sin_port) : 0;
}

bool ListensOnLoopback(int port) {
  constexpr const char* kListen = "0A";
  char local[32];
  std::snprintf(local, sizeof local, "0100007F:%04X", port);
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot;
    std::string address;
    std::string remote;
    std::string state;
    fields >> slot >> address >> remote >> state;
    if (address == local && state == kListen) return true;
  }
  return false;
}

}  // namespace test_support
