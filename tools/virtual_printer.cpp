#include "virtual_printer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "printer.h"

namespace vprinter {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWriteTimeoutMs = 1000;
constexpr int kHangupPauseMs = 10;
// Before a hang-up the printer waits at least this long for the kernel to hand over what it
// sent, and at most the longer time for a client to read it.
constexpr int kLingerMinMs = 50;
constexpr int kLingerMaxMs = 1000;
// How long Send waits for its bytes to reach the client's input queue.
constexpr int kSettleMs = 100;

int MillisUntil(Clock::time_point end) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
  return static_cast<int>(std::max<decltype(left)>(left, 0));
}

// The wake pipe only says "look again": what to do is in the printer's state.
void Drain(int fd) {
  char drained[64];
  while (read(fd, drained, sizeof drained) > 0) {
  }
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
    : options_(std::move(options)),
      family_(printer::Classify(printer::ModelNameFromReply(options_.reply))),
      silent_(options_.silent),
      reading_(!options_.neverRead),
      lineBaud_(options_.baud) {}

VirtualPrinter::~VirtualPrinter() { Stop(); }

bool VirtualPrinter::Start() {
  if (thread_.joinable()) return true;
  bool ready = pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) == 0 && line_.Open(options_.linkPath);
  if (ready && !options_.logPath.empty()) {
    log_.open(options_.logPath, std::ios::out | std::ios::trunc);
    ready = log_.is_open();
  }
  if (ready && !options_.paperPath.empty()) {
    paperFile_.open(options_.paperPath, std::ios::out | std::ios::trunc);
    ready = paperFile_.is_open();
  }
  {
    std::lock_guard lock(mutex_);
    devicePath_ = ready ? line_.DevicePath() : std::string();
    pluggedIn_ = ready;
    poweredOn_ = true;
    running_ = ready;
  }
  if (!ready) {
    Release();
    return false;
  }
  ClearReceived();
  decoder_ = CommandDecoder(family_);
  paper_ = Paper();
  identifiesSeen_ = 0;
  commandsHandled_ = 0;
  answeredBefore_ = false;
  plugInDue_.reset();
  powerOnDue_.reset();
  baudSwitches_ = {};
  startTime_ = Clock::now();
  stopping_ = false;
  thread_ = std::thread(&VirtualPrinter::Run, this);
  return true;
}

void VirtualPrinter::Stop() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      running_ = false;
    }
    stopping_ = true;
    Nudge();
    thread_.join();
    // Nothing is asked once running_ is off, so these are all the requests left unserved.
    std::lock_guard lock(mutex_);
    for (Request& request : requests_) request.done.set_value(false);
    requests_.clear();
    pluggedIn_ = false;
  }
  Release();
}

void VirtualPrinter::Release() {
  line_.Close();
  if (log_.is_open()) log_.close();
  if (paperFile_.is_open()) paperFile_.close();
  for (int& fd : wakePipe_) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

std::string VirtualPrinter::DevicePath() const {
  std::lock_guard lock(mutex_);
  return devicePath_;
}

void VirtualPrinter::SetSilent(bool silent) { silent_ = silent; }

void VirtualPrinter::SetReading(bool reading) {
  reading_ = reading;
  Nudge();
}

bool VirtualPrinter::Send(std::span<const std::uint8_t> bytes) {
  return Ask(RequestKind::Send, bytes);
}

bool VirtualPrinter::PowerCycle(int offMs) { return Ask(RequestKind::PowerCycle, {}, offMs); }

bool VirtualPrinter::IsPoweredOn() const {
  std::lock_guard lock(mutex_);
  return poweredOn_;
}

bool VirtualPrinter::WaitForPoweredOn(bool poweredOn, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return poweredOn_ == poweredOn; });
}

bool VirtualPrinter::HangUp() { return Ask(RequestKind::HangUp); }

bool VirtualPrinter::PlugIn() { return Ask(RequestKind::PlugIn); }

bool VirtualPrinter::IsPluggedIn() const {
  std::lock_guard lock(mutex_);
  return pluggedIn_;
}

bool VirtualPrinter::WaitForPluggedIn(bool pluggedIn, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return pluggedIn_ == pluggedIn; });
}

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
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return receivedBytes_ >= byteCount; });
}

bool VirtualPrinter::WaitForCommands(std::size_t commandCount, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return commands_.size() >= commandCount; });
}

void VirtualPrinter::SetChunkListener(std::function<void(const ReceivedChunk&)> listener) {
  std::lock_guard lock(mutex_);
  chunkListener_ = std::move(listener);
}

void VirtualPrinter::SetCommandListener(std::function<void(const DecodedCommand&)> listener) {
  std::lock_guard lock(mutex_);
  commandListener_ = std::move(listener);
}

void VirtualPrinter::SetLineListener(std::function<void(const std::string&)> listener) {
  std::lock_guard lock(mutex_);
  lineListener_ = std::move(listener);
}

void VirtualPrinter::SetPowerListener(std::function<void(bool)> listener) {
  std::lock_guard lock(mutex_);
  powerListener_ = std::move(listener);
}

// The line belongs to the printer's thread; callers hand it their requests and wait.
bool VirtualPrinter::Ask(RequestKind kind, std::span<const std::uint8_t> bytes, int offMs) {
  std::future<bool> done;
  {
    std::lock_guard lock(mutex_);
    if (!running_) return false;
    Request& request = requests_.emplace_back();
    request.kind = kind;
    request.bytes.assign(bytes.begin(), bytes.end());
    request.offMs = offMs;
    done = request.done.get_future();
  }
  Nudge();
  return done.get();
}

void VirtualPrinter::Run() {
  std::array<std::uint8_t, 4096> buffer{};
  while (!stopping_) {
    ServeRequests();
    if (plugInDue_ && Clock::now() >= *plugInDue_) PlugInLine();
    if (powerOnDue_ && Clock::now() >= *powerOnDue_) PowerOn();
    const bool reading = reading_ && line_.IsOpen();
    pollfd entries[2] = {{wakePipe_[0], POLLIN, 0}, {reading ? line_.MasterFd() : -1, POLLIN, 0}};
    if (poll(entries, 2, MillisUntilDue()) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (entries[0].revents != 0) Drain(wakePipe_[0]);
    if (entries[1].revents == 0 || !reading_) continue;
    const ssize_t count = read(line_.MasterFd(), buffer.data(), buffer.size());
    if (count > 0) {
      HandleChunk(std::span(buffer).first(static_cast<std::size_t>(count)));
    } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
      // No slave side open (EIO): poll would report it again at once.
      Pause(kHangupPauseMs);
    }
  }
}

// Until the next plug-in or power-on falls due; -1 (for ever) when none is.
int VirtualPrinter::MillisUntilDue() const {
  std::optional<Clock::time_point> due = plugInDue_;
  if (powerOnDue_ && (!due || *powerOnDue_ < *due)) due = powerOnDue_;
  return due ? MillisUntil(*due) : -1;
}

void VirtualPrinter::ServeRequests() {
  for (;;) {
    Request request;
    {
      std::lock_guard lock(mutex_);
      if (requests_.empty()) return;
      request = std::move(requests_.front());
      requests_.pop_front();
    }
    bool done = true;
    switch (request.kind) {
      case RequestKind::HangUp:
        HangUpLine();
        break;
      case RequestKind::PlugIn:
        done = line_.IsOpen() || PlugInLine();
        break;
      case RequestKind::Send:
        done = SendNow(request.bytes);
        break;
      case RequestKind::PowerCycle:
        PowerOff(request.offMs);
        break;
    }
    request.done.set_value(done);
  }
}

bool VirtualPrinter::SendNow(std::span<const std::uint8_t> bytes) {
  if (!line_.IsOpen()) return false;
  const auto wanted = static_cast<std::size_t>(line_.Unread()) + bytes.size();
  if (!line_.Write(bytes, kWriteTimeoutMs)) return false;
  // The kernel moves written bytes into the client's input a moment later. A client that reads
  // them at once makes this wait run its full time, which does no harm.
  const auto end = Clock::now() + std::chrono::milliseconds(kSettleMs);
  while (static_cast<std::size_t>(line_.Unread()) < wanted && Clock::now() < end && Pause(1)) {
  }
  return true;
}

void VirtualPrinter::HandleChunk(std::span<const std::uint8_t> bytes) {
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startTime_).count();
  // Read as the chunk arrives: the client may change the rate between tries.
  const LineSettings settings = line_.Settings();
  const ReceivedChunk chunk{millis, std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                            settings.baud, Receive(settings)};
  std::vector<DecodedCommand> commands;
  if (chunk.reception == Reception::Read) {
    commands = decoder_.Feed(bytes, millis);
  } else {
    // Garbled bytes break off any command they cut into.
    decoder_ = CommandDecoder(family_);
  }
  WritePaper(commands);
  std::function<void(const ReceivedChunk&)> chunkListener;
  std::function<void(const DecodedCommand&)> commandListener;
  {
    // Recorded before any answer goes out, so a client holding the answer finds it recorded.
    std::lock_guard lock(mutex_);
    chunks_.push_back(chunk);
    receivedBytes_ += bytes.size();
    for (const DecodedCommand& command : commands) {
      if (command.kind == CommandKind::Identify) ++identifyCount_;
      commands_.push_back(command);
    }
    chunkListener = chunkListener_;
    commandListener = commandListener_;
  }
  changed_.notify_all();
  if (chunkListener) chunkListener(chunk);
  for (const DecodedCommand& command : commands) {
    // Commands that arrived with the one before a hang-up are recorded, not handled.
    if (line_.IsOpen()) Handle(command);
    if (commandListener) commandListener(command);
  }
  WriteLog(chunk);
}

void VirtualPrinter::Handle(const DecodedCommand& command) {
  if (command.kind == CommandKind::Identify && ShouldAnswer()) SendAnswer();
  const int baudSwitch = command.parameter - 1;
  if (command.kind == CommandKind::DipSwitch && baudSwitch >= 0 &&
      baudSwitch < static_cast<int>(baudSwitches_.size())) {
    baudSwitches_[static_cast<std::size_t>(baudSwitch)] = command.value != 0;
  }
  if (++commandsHandled_ == options_.hangUpAfterCommands && line_.IsOpen()) {
    Linger();
    HangUpLine();
  }
}

// A real printer on another rate or frame sees framing errors, never the bytes sent.
Reception VirtualPrinter::Receive(const LineSettings& settings) const {
  if (powerOnDue_) return Reception::PoweredOff;
  const std::uint32_t baud = lineBaud_;
  if (baud == 0 || (settings.baud == baud && settings.eightNoneOne)) return Reception::Read;
  return Reception::OtherRateOrFrame;
}

bool VirtualPrinter::ShouldAnswer() {
  ++identifiesSeen_;
  if (silent_) return false;
  return options_.stopAfter < 0 || identifiesSeen_ <= options_.stopAfter;
}

void VirtualPrinter::SendAnswer() {
  const auto& reply = options_.reply;
  const std::size_t replyLength =
      options_.shortLength < 0
          ? reply.size()
          : std::min(static_cast<std::size_t>(options_.shortLength), reply.size());
  std::vector<std::uint8_t> answer = options_.beforeReply;
  answer.insert(answer.end(), reply.begin(),
                reply.begin() + static_cast<std::ptrdiff_t>(replyLength));
  answer.insert(answer.end(), options_.afterReply.begin(), options_.afterReply.end());

  const bool cut = options_.hangUpAfterBytes >= 0 && !answeredBefore_;
  answeredBefore_ = true;
  const std::size_t end =
      cut ? std::min(answer.size(), static_cast<std::size_t>(options_.hangUpAfterBytes))
          : answer.size();
  // Every piece carries at least one byte.
  const std::size_t pieces =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(options_.pieces, 1)),
                            std::max<std::size_t>(answer.size(), 1));
  std::size_t sent = 0;
  for (std::size_t piece = 1; piece <= pieces && sent < end; ++piece) {
    if (piece > 1 && !Pause(options_.pieceDelayMs)) return;
    const std::size_t to = std::min(answer.size() * piece / pieces, end);
    if (!line_.Write(std::span(answer).subspan(sent, to - sent), kWriteTimeoutMs)) return;
    sent = to;
  }
  if (cut) {
    Linger();
    HangUpLine();
  }
}

// A hang-up throws away what the client has not read; a client that reads gets it first.
void VirtualPrinter::Linger() {
  if (!Pause(kLingerMinMs)) return;
  const auto end = Clock::now() + std::chrono::milliseconds(kLingerMaxMs);
  while (line_.Unread() > 0 && Clock::now() < end && Pause(1)) {
  }
}

void VirtualPrinter::HangUpLine() {
  if (!line_.IsOpen()) return;
  line_.Close();
  if (options_.backAfterMs >= 0) {
    plugInDue_ = Clock::now() + std::chrono::milliseconds(options_.backAfterMs);
  }
  LineChanged();
}

bool VirtualPrinter::PlugInLine() {
  plugInDue_.reset();
  if (!line_.Open(options_.linkPath)) return false;
  // A command cut off by the hang-up does not continue on the new line.
  decoder_ = CommandDecoder(family_);
  LineChanged();
  return true;
}

void VirtualPrinter::LineChanged() {
  std::function<void(const std::string&)> listener;
  std::string path = line_.DevicePath();
  {
    std::lock_guard lock(mutex_);
    pluggedIn_ = line_.IsOpen();
    if (pluggedIn_) devicePath_ = path;
    listener = lineListener_;
  }
  changed_.notify_all();
  if (listener) listener(path);
}

void VirtualPrinter::PowerOff(int offMs) {
  powerOnDue_ = Clock::now() + std::chrono::milliseconds(offMs);
  PowerChanged(false);
}

// The printer reads its switches as it starts.
void VirtualPrinter::PowerOn() {
  powerOnDue_.reset();
  if (std::all_of(baudSwitches_.begin(), baudSwitches_.end(),
                  [](const std::optional<bool>& on) { return on.has_value(); })) {
    int index = 0;
    for (std::size_t bit = 0; bit < baudSwitches_.size(); ++bit) {
      index |= static_cast<int>(*baudSwitches_[bit]) << bit;
    }
    lineBaud_ = printer::BaudRateOf(index);
  }
  baudSwitches_ = {};
  // A command cut off by the power cycle does not continue.
  decoder_ = CommandDecoder(family_);
  PowerChanged(true);
}

void VirtualPrinter::PowerChanged(bool poweredOn) {
  std::function<void(bool)> listener;
  {
    std::lock_guard lock(mutex_);
    poweredOn_ = poweredOn;
    listener = powerListener_;
  }
  changed_.notify_all();
  if (listener) listener(poweredOn);
}

// Waits, and says whether the printer still runs; requests that arrive meanwhile wait too.
bool VirtualPrinter::Pause(int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!stopping_) {
    const int left = MillisUntil(end);
    if (left == 0) return true;
    pollfd entry{wakePipe_[0], POLLIN, 0};
    if (poll(&entry, 1, left) > 0) Drain(wakePipe_[0]);
  }
  return false;
}

void VirtualPrinter::Nudge() {
  const char wake = 1;
  // A full pipe means a wake is pending already; a closed one means nobody is there to wake.
  [[maybe_unused]] const ssize_t woken = write(wakePipe_[1], &wake, 1);
}

void VirtualPrinter::WriteLog(const ReceivedChunk& chunk) {
  if (!log_.is_open()) return;
  log_ << "{\"ms\":" << chunk.millis << R"(,"hex":")" << Hex(chunk.bytes) << "\"}\n";
  log_.flush();
}

void VirtualPrinter::WritePaper(const std::vector<DecodedCommand>& commands) {
  if (!paperFile_.is_open()) return;
  for (const DecodedCommand& command : commands) {
    for (const std::string& line : paper_.Print(command)) paperFile_ << line << '\n';
  }
  paperFile_.flush();
}

}  // namespace vprinter
