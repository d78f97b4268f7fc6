#include "virtual_printer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vprinter {

namespace {

constexpr int kReplyWriteTimeoutMs = 1000;
constexpr int kHangupPauseMs = 10;

// A fresh pty echoes, edits lines, maps CR to LF and obeys XON/XOFF; the printer wants none of it.
bool MakeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                             ICRNL | IXON | IXOFF | IXANY | IMAXBEL);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &settings) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace

Reply ReplyForModel(std::string_view name) {
  Reply reply{};
  std::copy_n(name.begin(), std::min(name.size(), reply.size()), reply.begin());
  return reply;
}

VirtualPrinter::VirtualPrinter(Options options)
    : options_(std::move(options)), silent_(options_.silent) {}

VirtualPrinter::~VirtualPrinter() { Stop(); }

bool VirtualPrinter::Start() {
  if (thread_.joinable()) return true;
  masterFd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128];
  bool ready = masterFd_ >= 0 && grantpt(masterFd_) == 0 && unlockpt(masterFd_) == 0 &&
               ptsname_r(masterFd_, name, sizeof name) == 0;
  if (ready) {
    devicePath_ = name;
    // Opened before any client, so a client's exclusive mode does not shut this one out.
    slaveKeepFd_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ready = slaveKeepFd_ >= 0 && MakeRaw(slaveKeepFd_) && MakeRaw(masterFd_) &&
            fcntl(masterFd_, F_SETFL, fcntl(masterFd_, F_GETFL) | O_NONBLOCK) == 0 &&
            pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) == 0;
  }
  if (ready && !options_.linkPath.empty()) {
    struct stat existing {};
    if (lstat(options_.linkPath.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
      unlink(options_.linkPath.c_str());
    }
    linkMade_ = symlink(devicePath_.c_str(), options_.linkPath.c_str()) == 0;
    ready = linkMade_;
  }
  if (ready && !options_.logPath.empty()) {
    log_.open(options_.logPath, std::ios::out | std::ios::trunc);
    ready = log_.is_open();
  }
  if (!ready) {
    Release();
    devicePath_.clear();
    return false;
  }
  ClearReceived();
  decoder_ = CommandDecoder();
  identifiesSeen_ = 0;
  startTime_ = std::chrono::steady_clock::now();
  stopping_ = false;
  thread_ = std::thread(&VirtualPrinter::Run, this);
  return true;
}

void VirtualPrinter::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    const char wake = 1;
    // A full pipe means a wake is already pending.
    [[maybe_unused]] const ssize_t woken = write(wakePipe_[1], &wake, 1);
    thread_.join();
  }
  Release();
}

void VirtualPrinter::Release() {
  if (linkMade_) unlink(options_.linkPath.c_str());
  linkMade_ = false;
  if (log_.is_open()) log_.close();
  CloseFd(wakePipe_[0]);
  CloseFd(wakePipe_[1]);
  CloseFd(slaveKeepFd_);
  CloseFd(masterFd_);
}

void VirtualPrinter::SetSilent(bool silent) { silent_ = silent; }

std::vector<ReceivedChunk> VirtualPrinter::Chunks() const {
  std::lock_guard lock(mutex_);
  return chunks_;
}

std::vector<std::uint8_t> VirtualPrinter::Received() const {
  std::lock_guard lock(mutex_);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(receivedBytes_);
  for (const ReceivedChunk& chunk : chunks_) {
    bytes.insert(bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
  }
  return bytes;
}

std::vector<DecodedCommand> VirtualPrinter::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

int VirtualPrinter::IdentifyCount() const {
  std::lock_guard lock(mutex_);
  return identifyCount_;
}

void VirtualPrinter::ClearReceived() {
  std::lock_guard lock(mutex_);
  chunks_.clear();
  commands_.clear();
  receivedBytes_ = 0;
  identifyCount_ = 0;
}

bool VirtualPrinter::WaitForReceived(std::size_t byteCount, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return received_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return receivedBytes_ >= byteCount; });
}

bool VirtualPrinter::WaitForCommands(std::size_t commandCount, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return received_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return commands_.size() >= commandCount; });
}

void VirtualPrinter::SetCommandListener(std::function<void(const DecodedCommand&)> listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

void VirtualPrinter::Run() {
  std::array<std::uint8_t, 4096> buffer;
  while (!stopping_) {
    pollfd entries[2] = {{masterFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (poll(entries, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (entries[1].revents != 0) return;
    const ssize_t count = read(masterFd_, buffer.data(), buffer.size());
    if (count > 0) {
      HandleChunk(std::span(buffer).first(static_cast<std::size_t>(count)));
    } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
      // No slave side open (EIO): poll would report it again at once.
      WaitForWake(kHangupPauseMs);
    }
  }
}

void VirtualPrinter::HandleChunk(std::span<const std::uint8_t> bytes) {
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - startTime_)
                          .count();
  ReceivedChunk chunk{millis, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
  const std::vector<DecodedCommand> commands = decoder_.Feed(bytes, millis);
  int replies = 0;
  for (const DecodedCommand& command : commands) {
    if (command.kind == CommandKind::Identify && ShouldAnswer()) ++replies;
  }
  std::function<void(const DecodedCommand&)> listener;
  {
    // Recorded before the reply goes out, so a client holding the reply finds it recorded.
    std::lock_guard lock(mutex_);
    chunks_.push_back(chunk);
    receivedBytes_ += bytes.size();
    for (const DecodedCommand& command : commands) {
      if (command.kind == CommandKind::Identify) ++identifyCount_;
      commands_.push_back(command);
    }
    listener = listener_;
  }
  received_.notify_all();
  for (int i = 0; i < replies; ++i) SendReply();
  WriteLog(chunk);
  if (listener) {
    for (const DecodedCommand& command : commands) listener(command);
  }
}

bool VirtualPrinter::ShouldAnswer() {
  ++identifiesSeen_;
  if (silent_) return false;
  return options_.stopAfter < 0 || identifiesSeen_ <= options_.stopAfter;
}

void VirtualPrinter::SendReply() {
  const auto& reply = options_.reply;
  const std::size_t length =
      options_.shortLength < 0
          ? reply.size()
          : std::min(static_cast<std::size_t>(options_.shortLength), reply.size());
  std::size_t sent = 0;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyWriteTimeoutMs);
  while (sent < length && !stopping_ && std::chrono::steady_clock::now() < deadline) {
    const ssize_t count = write(masterFd_, reply.data() + sent, length - sent);
    if (count > 0) {
      sent += static_cast<std::size_t>(count);
    } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else {
      // The client's input queue is full: wait for it to read.
      pollfd entry{masterFd_, POLLOUT, 0};
      poll(&entry, 1, kHangupPauseMs);
    }
  }
}

void VirtualPrinter::WriteLog(const ReceivedChunk& chunk) {
  if (!log_.is_open()) return;
  log_ << "{\"ms\":" << chunk.millis << ",\"hex\":\"" << Hex(chunk.bytes) << "\"}\n";
  log_.flush();
}

void VirtualPrinter::WaitForWake(int timeoutMs) {
  pollfd entry{wakePipe_[0], POLLIN, 0};
  poll(&entry, 1, timeoutMs);
}

}  // namespace vprinter
