// Tserial on a Win32 communications port.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

#include "serial.h"
#include "serial_deadline.h"

namespace {

constexpr DWORD kQueueBytes = 2048;

// A HANDLE is a pointer; the class keeps it as a number so that its header needs no windows.h.
// NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t AsNumber(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }
// NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)

bool CloseFailed(HANDLE port) {
  CloseHandle(port);
  return false;
}

// Puts back the line settings the port had before this open, which then fails.
bool RestoreAndCloseFailed(HANDLE port, const unsigned char* savedLine) {
  DCB line{};
  std::memcpy(&line, savedLine, sizeof line);
  SetCommState(port, &line);
  return CloseFailed(port);
}

// Taken when nothing moved, so that waiting for a silent port does not spin.
void Pause() { Sleep(1); }

}  // namespace

Tserial::Tserial() = default;

Tserial::~Tserial() { Close(); }

bool Tserial::IsOpen() const { return handle_ != kInvalidHandle; }

std::string Tserial::DevicePath(int portNumber) const { return "COM" + std::to_string(portNumber); }

bool Tserial::Open(int portNumber, std::uint32_t baudRate) {
  if (portNumber <= 0) {
    Close();
    baudRate_ = baudRate;
    return Failed(OpenFailure::NoDevice, DevicePath(portNumber), 0);
  }
  return OpenDevice(DevicePath(portNumber), baudRate);
}

bool Tserial::OpenDevice(const std::string& device, std::uint32_t baudRate) {
  static_assert(sizeof(DCB) <= sizeof savedLineSettings_);
  Close();
  baudRate_ = baudRate;
  openError_ = {};

  const HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return Failed(error == ERROR_ACCESS_DENIED ? OpenFailure::Busy : OpenFailure::NoDevice, device,
                  static_cast<int>(error));
  }

  DCB line{};
  line.DCBlength = sizeof line;
  if (!SetupComm(port, kQueueBytes, kQueueBytes) || !SetCommMask(port, 0) ||
      !GetCommState(port, &line)) {
    return CloseFailed(port);
  }
  std::memcpy(savedLineSettings_.data(), &line, sizeof line);

  line.BaudRate = baudRate;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fDtrControl = DTR_CONTROL_DISABLE;
  line.fOutxCtsFlow = FALSE;
  line.fDsrSensitivity = FALSE;
  if (!SetCommState(port, &line)) return CloseFailed(port);

  COMMTIMEOUTS timeouts{};
  if (!GetCommTimeouts(port, &timeouts)) {
    return RestoreAndCloseFailed(port, savedLineSettings_.data());
  }
  // A read returns at once with whatever has arrived; the write time-outs stay as they were.
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  // Input left from an earlier connection or noise on the line would be taken for the next reply.
  if (!SetCommTimeouts(port, &timeouts) || !PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR)) {
    return RestoreAndCloseFailed(port, savedLineSettings_.data());
  }
  handle_ = AsNumber(port);
  return true;
}

void Tserial::Close() {
  if (inWait_) {
    closeAfterWait_ = true;
    return;
  }
  if (IsOpen()) CloseHandle(AsHandle(handle_));
  handle_ = kInvalidHandle;
}

bool Tserial::DiscardInput() {
  return IsOpen() && PurgeComm(AsHandle(handle_), PURGE_RXCLEAR) != 0;
}

int Tserial::Write(const std::uint8_t* data, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  if (data == nullptr) return 0;
  if (!IsOpen()) return -1;
  if (length <= 0) return 0;

  int written = 0;
  for (;;) {
    DWORD moved = 0;
    // A failed write is simply tried again until the deadline.
    if (WriteFile(AsHandle(handle_), data + written, static_cast<DWORD>(length - written), &moved,
                  nullptr)) {
      written += static_cast<int>(moved);
    }
    if (written == length) {
      FlushFileBuffers(AsHandle(handle_));
      return written;
    }
    if (deadline.Passed()) return written;
    if (moved == 0) Pause();
  }
}

int Tserial::Read(std::uint8_t* buffer, int length, std::uint32_t timeoutMs) {
  const SerialDeadline deadline(timeoutMs);
  if (!IsOpen() || buffer == nullptr || length <= 0) return 0;

  int count = 0;
  for (;;) {
    DWORD moved = 0;
    if (ReadFile(AsHandle(handle_), buffer + count, static_cast<DWORD>(length - count), &moved,
                 nullptr)) {
      count += static_cast<int>(moved);
      if (count == length) return count;
    }
    if (deadline.Passed()) return count;
    if (moved == 0) Pause();
  }
}
