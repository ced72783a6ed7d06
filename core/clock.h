// The millisecond clock the waits run on: the steady system clock in the program, a
// virtual clock in tests and offline rendering.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace kihon {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary fixed start.
  virtual std::int64_t NowMs() = 0;
  // Lets pending window messages run until NowMs() reaches deadline or stop() turns true.
  // Blocks between messages instead of polling.
  virtual void RunUntil(std::int64_t deadline, const std::function<bool()>& stop) = 0;
};

// The steady system clock. Waits sleep in the Qt event loop (woken at the deadline and by
// any window message), so an idle wait costs almost no CPU. On Linux the wake-up comes from
// a timer file descriptor set to the deadline itself, to well under a millisecond; elsewhere
// from a precise Qt timer.
class SteadyClock final : public Clock {
 public:
  SteadyClock();
  ~SteadyClock() override;
  std::int64_t NowMs() override;
  void RunUntil(std::int64_t deadline, const std::function<bool()>& stop) override;
  // The instant NowMs counts from.
  std::chrono::steady_clock::time_point Start() const { return start_; }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  class Waker;
  std::unique_ptr<Waker> waker_;
};

// A clock that only moves when told to. A wait jumps straight to its deadline, after
// running the whileWaiting hook once (which stands for the window messages handled during
// the wait: it may advance the clock or ask to stop).
class VirtualClock final : public Clock {
 public:
  std::int64_t NowMs() override { return now_; }
  void RunUntil(std::int64_t deadline, const std::function<bool()>& stop) override;
  void Advance(std::int64_t ms) { now_ += ms; }
  void Set(std::int64_t ms) { now_ = ms; }

  std::function<void(VirtualClock&)> whileWaiting;
  // The deadline of the wait whileWaiting runs in (what it stands for happens before it).
  std::int64_t Deadline() const { return deadline_; }

 private:
  std::int64_t now_ = 0;
  std::int64_t deadline_ = 0;
};

}  // namespace kihon
