#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

// Why the last Open failed. The device is the path (or COM name) that was tried; detail is the
// device's group for Permission and the holding program for Busy ("minicom, process 4242"),
// empty where the system cannot say. Console: the device is the system console, never opened.
// The five after it are of network ports: the host name is not known, nothing listens at the
// port, no connection or no answer within the time, a server that refused COM-PORT-OPTION, and one
// that closed the connection before the line was set without saying why; a device server that
// has no device, or whose port another client holds, gives NoDevice or Busy.
enum class OpenFailure {
  None,
  NoDevice,
  Permission,
  Busy,
  NotSerial,
  RateRefused,
  Console,
  NoSuchHost,
  ConnectionRefused,
  NoAnswer,
  NotRfc2217,
  ClosedByServer,
  Other
};

struct OpenError {
  OpenFailure reason = OpenFailure::None;
  std::string device;
  std::string detail;
  int systemError = 0;  // errno, or GetLastError on Windows
};

class NetworkPort;

// One serial port: a local device or a port on a device server, opened by its path or address
// (or by COM number), written and read synchronously with a deadline in milliseconds. Failures
// are results: Open returns false, Write and Read return counts.
class Tserial {
 public:
  // Maps a port number to the device to open: "COMn" on Windows; on POSIX systems the
  // caller's map (for instance COM1 -> /dev/ttyUSB0), else /dev/ttyS<n-1>. Windows never asks
  // the map: COMn there is the system's own port of that name.
  using DeviceResolver = std::function<std::string(int portNumber)>;

  Tserial();
  ~Tserial();
  Tserial(const Tserial&) = delete;
  Tserial& operator=(const Tserial&) = delete;

  // Opens COM<portNumber> at baudRate, 8 data bits, no parity, one stop bit, DTR off, no
  // hardware flow control, reads returning at once with what has arrived. Bytes already waiting
  // on the port are dropped, so a stale reply is never taken for the next answer. A port another
  // program holds (an open descriptor, a lock file) and the system console are not opened.
  bool Open(int portNumber, std::uint32_t baudRate);
  // Puts back the line settings the port had, drops output a stop left unsent and lets go.
  void Close();
  // Opens a device by its path (on Windows its COM name) exactly as Open opens a port number.
  // rfc2217://HOST:PORT and socket://HOST:PORT open a port on a device server (HOST a name, an
  // IPv4 address or [IPv6]): over RFC 2217 the open returns once the server has taken the rate.
  bool OpenDevice(const std::string& device, std::uint32_t baudRate);
  // True for an open raw-TCP port: its rate is the device server's, whatever Open asked for.
  bool RateSetByServer() const;
  // Why the last Open or OpenDevice failed; reason None after a successful one.
  const OpenError& LastOpenError() const { return openError_; }

  // Called about every 10 ms while a Read or Write waits for the port, on the caller's thread:
  // a window keeps painting, a worker checks for a stop request. Returning false ends the wait
  // at once with the count so far. Close may be called from the hook; the port then closes as
  // soon as the wait has returned. An Open from the hook lets the old port go at once and ends
  // the wait, except while a network port opens or closes: that Open fails (reason Other) and
  // the work goes on. Waits inside the hook (an open's) do not run the hook again. Closing a
  // network port waits out the wire time of what was written since the last reply, as a device
  // server drops what has not left its line; the hook runs during that wait, and a false from it,
  // or a Close, ends it.
  using WaitHook = std::function<bool()>;
  void SetWaitHook(WaitHook hook) { waitHook_ = std::move(hook); }
  const WaitHook& GetWaitHook() const { return waitHook_; }
  // Asked while an open of a local device looks through the system for another program holding
  // it (on Linux, every process's descriptors); true ends the open, failed. Unlike the wait
  // hook it must not touch the port.
  void SetOpenStop(std::function<bool()> stop) { openStop_ = std::move(stop); }

  // Bytes written; 0 for a null data pointer; -1 when the port is closed.
  int Write(const std::uint8_t* data, int length, std::uint32_t timeoutMs);
  // Bytes read into buffer; 0 when the port is closed.
  int Read(std::uint8_t* buffer, int length, std::uint32_t timeoutMs);
  // Drops the bytes that have arrived and not been read, so that chatter or a reply left over
  // cannot be taken for the answer to the next query. False when the port is closed or the
  // device refuses.
  bool DiscardInput();

  bool IsOpen() const;
  // Whether the open port's line has hung up (a USB adapter pulled out); false when closed.
  bool LineGone() const;
  std::uint32_t BaudRate() const { return baudRate_; }
  void SetDeviceResolver(DeviceResolver resolver) { resolver_ = std::move(resolver); }

  // Milliseconds on the monotonic clock every deadline is taken on; it does not wrap at
  // midnight, so a wait across midnight ends on time.
  static std::uint32_t DayMillis() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }

 private:
  static constexpr std::intptr_t kInvalidHandle = -1;

  // Runs the wait hook; false when the wait is to end (the hook said so, or closed the port).
  bool KeepWaiting();
  // Lets the port go now, also inside a wait hook, before another open.
  void CloseBeforeOpen();
  // True, with the reason set, for an Open from the wait hook while a network port opens or
  // closes: it would pull the connection out from under that work.
  bool OpenRefused(const std::string& device);
  // The back end's close: line settings back, unsent output dropped, locks released.
  void Release();
  bool Failed(OpenFailure reason, const std::string& device, int systemError);
  bool OpenNetwork(const std::string& device, std::uint32_t baudRate);
  void CloseNetwork();
  bool OnNetwork() const;

  std::uint32_t baudRate_ = 0;
  std::intptr_t handle_ = kInvalidHandle;
  // The port's line settings as read during the last Open, before any change; large enough
  // for a Win32 DCB or a POSIX termios.
  alignas(8) std::array<unsigned char, 64> savedLineSettings_{};
  DeviceResolver resolver_;
  OpenError openError_;
  WaitHook waitHook_;
  std::function<bool()> openStop_;
  bool inWait_ = false;
  bool closeAfterWait_ = false;
  std::unique_ptr<NetworkPort> network_;  // kept once made, so a hook can close it mid-wait
  bool reopenedInWait_ = false;
  bool holdOpens_ = false;  // a network port opens or closes: an Open from the hook is refused
  // POSIX: TIOCEXCL was set by this open (the port was not exclusive before); the lock file made.
  bool setExclusive_ = false;
  std::string lockFile_;
  // POSIX: when the last bytes written have left the adapter's own buffer (DayMillis).
  std::uint32_t writeLeavesAt_ = 0;
  // Windows: the device left while the port was open and its handle is closed already; the port
  // stays open, and gone, until Close.
  bool deviceGone_ = false;
};

// The device COM<portNumber> opens: on Windows the system's port of that name; elsewhere the
// device map gives for the number, else /dev/ttyS<n-1>.
std::string ComDevice(int portNumber, const Tserial::DeviceResolver& map);
