#include "core/clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <thread>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace kihon {

// Wakes the event loop at an instant of the steady clock.
class SteadyClock::Waker {
 public:
  Waker() {
#ifdef __linux__
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
      notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
      QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        std::uint64_t expirations = 0;
        (void)!read(fd_, &expirations, sizeof expirations);
      });
    }
#endif
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [] {});
  }
  ~Waker() {
    notifier_.reset();
#ifdef __linux__
    if (fd_ >= 0) close(fd_);
#endif
  }

  // Arms the wake-up for the instant `at`; left is the time to it.
  void Arm(std::chrono::steady_clock::time_point at, std::chrono::nanoseconds left) {
#ifdef __linux__
    if (fd_ >= 0) {
      // The steady clock is CLOCK_MONOTONIC: the deadline is given as an absolute time.
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch());
      itimerspec spec{};
      spec.it_value.tv_sec = static_cast<time_t>(ns.count() / 1000000000);
      spec.it_value.tv_nsec = static_cast<long>(ns.count() % 1000000000);
      if (spec.it_value.tv_sec == 0 && spec.it_value.tv_nsec == 0) spec.it_value.tv_nsec = 1;
      if (timerfd_settime(fd_, TFD_TIMER_ABSTIME, &spec, nullptr) == 0) return;
    }
#endif
    if (!timer_.isActive()) {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count() + 1;
      timer_.start(static_cast<int>(std::min<std::int64_t>(ms, 1 << 30)));
    }
  }

 private:
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer timer_;
};

SteadyClock::SteadyClock() = default;
SteadyClock::~SteadyClock() = default;

std::int64_t SteadyClock::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void SteadyClock::RunUntil(std::int64_t deadline, const std::function<bool()>& stop) {
  if (QCoreApplication::instance() == nullptr) {
    // No event loop to serve (a plain tool): just sleep, looking at the stop flag first.
    if (stop && stop()) return;
    const std::int64_t left = deadline - NowMs();
    if (left > 0) std::this_thread::sleep_for(std::chrono::milliseconds(left));
    return;
  }
  if (!waker_) waker_ = std::make_unique<Waker>();
  const auto at = start_ + std::chrono::milliseconds(deadline);
  for (;;) {
    if (stop && stop()) return;
    if (NowMs() >= deadline) return;
    waker_->Arm(at, at - std::chrono::steady_clock::now());
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void VirtualClock::RunUntil(std::int64_t deadline, const std::function<bool()>& stop) {
  if (stop && stop()) return;
  deadline_ = deadline;
  if (whileWaiting) whileWaiting(*this);
  if (stop && stop()) return;
  if (now_ < deadline) now_ = deadline;
}

}  // namespace kihon
