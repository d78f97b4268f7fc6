#pragma once

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>

// The longest a Read or Write waits on the port before it runs its wait hook again.
inline constexpr int kWaitSliceMs = 10;

// The end of one Read or Write, on the same monotonic clock as Tserial::DayMillis.
class SerialDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SerialDeadline(std::uint32_t timeoutMs)
      : end_(Clock::now() + std::chrono::milliseconds(timeoutMs)) {}

  bool Passed() const { return Clock::now() > end_; }

  // Whole milliseconds left, rounded up so that a wait for them never ends before the deadline.
  int RemainingMs() const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - Clock::now()).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, INT_MAX));
  }

 private:
  Clock::time_point end_;
};
