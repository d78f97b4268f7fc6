// Tserial on a Win32 communications port.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "network_port.h"
#include "serial.h"
#include "serial_deadline.h"
#include "serial_errors_win32.h"

namespace {

constexpr DWORD kQueueBytes = 2048;

// A HANDLE is a pointer; the class keeps it as a number so that its header needs no windows.h.
// NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t AsNumber(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }
// NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)

// "COM" and a number, in any case. By that name alone only COM1 to COM9 are found; in the device
// namespace every number is.
bool IsBareComName(const std::string& device) {
  constexpr std::size_t kLetters = 3;
  return device.size() > kLetters && _strnicmp(device.c_str(), "COM", kLetters) == 0 &&
         std::all_of(device.begin() + kLetters, device.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

std::string SystemName(const std::string& device) {
  return IsBareComName(device) ? R"(\\.\)" + device : device;
}

// The line as Open leaves it, whatever another program left on the port: 8N1 at the rate, DTR
// off, RTS on, and no flow control of any kind, parity check, error or null replacement, or
// abort on error. A port left in XON/XOFF or DSR flow would otherwise hold back every write, and
// XON/XOFF would swallow 0x11 and 0x13 in replies.
void SetLine(DCB& line, std::uint32_t baudRate) {
  line.BaudRate = baudRate;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = TRUE;
  line.fParity = FALSE;
  line.fDtrControl = DTR_CONTROL_DISABLE;
  line.fRtsControl = RTS_CONTROL_ENABLE;
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDsrSensitivity = FALSE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  line.fAbortOnError = FALSE;
  line.fErrorChar = FALSE;
  line.fNull = FALSE;
}

// Reads return at once with whatever has arrived; one WriteFile returns within writeMs (at least
// 1: a total time-out of 0 lets it block for good), with what it moved by then.
bool SetTimeouts(HANDLE port, DWORD writeMs) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.WriteTotalTimeoutConstant = writeMs;
  return SetCommTimeouts(port, &timeouts) != 0;
}

// Closes a port whose open failed; the error that made it fail, from before the close.
DWORD CloseAfterError(HANDLE port) {
  const DWORD error = GetLastError();
  CloseHandle(port);
  return error;
}

// Puts back the line settings the port had before this open, which then fails.
DWORD RestoreAndCloseAfterError(HANDLE port, const unsigned char* savedLine) {
  const DWORD error = GetLastError();
  DCB line{};
  std::memcpy(&line, savedLine, sizeof line);
  SetCommState(port, &line);
  CloseHandle(port);
  return error;
}

// Clears the port's error state and reads its queues. A port that stops on line errors (a framing
// error at a wrong rate, an overrun) fails every later read and write until they are cleared.
COMSTAT ClearErrors(HANDLE port) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(port, &errors, &status)) status = {};
  return status;
}

// Lets go of the handle of a port whose device has left the system (a USB adapter pulled out),
// when error says so; the port stays open, and gone, until Close.
bool LetGoIfGone(DWORD error, std::intptr_t& handle, bool& gone) {
  if (!serial_errors::DeviceGone(error)) return false;
  CloseHandle(AsHandle(handle));
  handle = AsNumber(INVALID_HANDLE_VALUE);
  gone = true;
  return true;
}

// Taken when nothing moved, so that waiting for a silent port does not spin.
void Pause() { Sleep(1); }

// Says when the wait hook is due: about every slice, however long one Sleep(1) lasts (a whole
// 15.6 ms timer tick on many systems).
class HookTimer {
 public:
  bool Due() {
    const auto now = SerialDeadline::Clock::now();
    if (now < next_) return false;
    next_ = now + std::chrono::milliseconds(kWaitSliceMs);
    return true;
  }

 private:
  SerialDeadline::Clock::time_point next_ =
      SerialDeadline::Clock::now() + std::chrono::milliseconds(kWaitSliceMs);
};

}  // namespace

Tserial::Tserial() = default;

Tserial::~Tserial() {
  // The hook's owner may be going away as well: a last wait runs without it.
  waitHook_ = {};
  Close();
}

bool Tserial::IsOpen() const { return handle_ != kInvalidHandle || deviceGone_ || OnNetwork(); }

bool Tserial::LineGone() const {
  // A removed device fails every call on its handle, with an error that says so.
  DWORD status = 0;
  return deviceGone_ ||
         (handle_ != kInvalidHandle && GetCommModemStatus(AsHandle(handle_), &status) == 0 &&
          serial_errors::DeviceGone(GetLastError()));
}

std::string ComDevice(int portNumber, const Tserial::DeviceResolver& /*map*/) {
  return "COM" + std::to_string(portNumber);
}

bool Tserial::OpenDevice(const std::string& device, std::uint32_t baudRate) {
  if (OpenRefused(device)) return false;
  if (IsNetworkAddress(device)) return OpenNetwork(device, baudRate);
  static_assert(sizeof(DCB) <= sizeof savedLineSettings_);
  CloseBeforeOpen();
  baudRate_ = baudRate;
  openError_ = {};

  const HANDLE port = CreateFileA(SystemName(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  // Windows' own error says why; a device pulled out during the open is no device.
  const auto fail = [this, &device](DWORD error, OpenFailure otherwise) {
    return Failed(serial_errors::OpenFailureOf(error, otherwise), device, static_cast<int>(error));
  };
  if (port == INVALID_HANDLE_VALUE) return fail(GetLastError(), OpenFailure::Other);

  DCB line{};
  line.DCBlength = sizeof line;
  if (!SetupComm(port, kQueueBytes, kQueueBytes) || !SetCommMask(port, 0) ||
      !GetCommState(port, &line)) {
    return fail(CloseAfterError(port), OpenFailure::NotSerial);
  }
  std::memcpy(savedLineSettings_.data(), &line, sizeof line);

  SetLine(line, baudRate);
  if (!SetCommState(port, &line)) {
    return fail(RestoreAndCloseAfterError(port, savedLineSettings_.data()),
                OpenFailure::RateRefused);
  }
  // Input left from an earlier connection or noise on the line would be taken for the next reply.
  if (!SetTimeouts(port, kWaitSliceMs) || !PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR)) {
    return fail(RestoreAndCloseAfterError(port, savedLineSettings_.data()), OpenFailure::Other);
  }
  handle_ = AsNumber(port);
  return true;
}

void Tserial::Release() {
  CloseNetwork();
  if (handle_ != kInvalidHandle) {
    const HANDLE port = AsHandle(handle_);
    PurgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR);
    DCB line{};
    std::memcpy(&line, savedLineSettings_.data(), sizeof line);
    SetCommState(port, &line);
    CloseHandle(port);
  }
  handle_ = kInvalidHandle;
  deviceGone_ = false;
}

bool Tserial::DiscardInput() {
  if (OnNetwork()) return network_->DiscardInput();
  return handle_ != kInvalidHandle && PurgeComm(AsHandle(handle_), PURGE_RXCLEAR) != 0;
}

int Tserial::Write(const std::uint8_t* data, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  if (data == nullptr) return 0;
  if (!IsOpen()) return -1;
  if (length <= 0) return 0;
  if (OnNetwork()) return network_->Write(data, length, timeoutMs);
  if (deviceGone_) return 0;
  const HANDLE port = AsHandle(handle_);

  HookTimer hookTimer;
  int written = 0;
  DWORD writeMsSet = 0;
  for (;;) {
    // One WriteFile waits at most a slice, and never past the deadline: a port that stopped
    // taking bytes (flow control, a printer out of paper) gives a short count on time.
    const auto writeMs = static_cast<DWORD>(std::clamp(deadline.RemainingMs(), 1, kWaitSliceMs));
    if (writeMs != writeMsSet && SetTimeouts(port, writeMs)) writeMsSet = writeMs;
    DWORD moved = 0;
    const bool wrote =
        WriteFile(port, data + written, static_cast<DWORD>(length - written), &moved, nullptr) != 0;
    written += static_cast<int>(moved);
    if (written == length) break;
    if (!wrote) {
      if (LetGoIfGone(GetLastError(), handle_, deviceGone_)) return written;
      ClearErrors(port);
      Pause();
    }
    if (deadline.Passed() || (hookTimer.Due() && !KeepWaiting())) return written;
  }
  // FlushFileBuffers would wait without bound for the driver to send everything; this waits no
  // longer than the deadline.
  while (ClearErrors(port).cbOutQue > 0 && !deadline.Passed()) {
    Pause();
    if (hookTimer.Due() && !KeepWaiting()) break;
  }
  return written;
}

int Tserial::Read(std::uint8_t* buffer, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  if (!IsOpen() || buffer == nullptr || length <= 0) return 0;
  if (OnNetwork()) return network_->Read(buffer, length, timeoutMs);
  if (deviceGone_) return 0;
  const HANDLE port = AsHandle(handle_);

  HookTimer hookTimer;
  int count = 0;
  for (;;) {
    DWORD moved = 0;
    if (ReadFile(port, buffer + count, static_cast<DWORD>(length - count), &moved, nullptr)) {
      count += static_cast<int>(moved);
      if (count == length) return count;
    } else {
      if (LetGoIfGone(GetLastError(), handle_, deviceGone_)) return count;
      ClearErrors(port);
    }
    if (deadline.Passed()) return count;
    if (moved == 0) {
      Pause();
      if (hookTimer.Due() && !KeepWaiting()) return count;
    }
  }
}
