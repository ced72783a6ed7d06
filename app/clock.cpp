#include "app/clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace kihon {

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
  // The timer's only task is to wake the event loop at the deadline.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  QObject::connect(&wake, &QTimer::timeout, [] {});
  for (;;) {
    if (stop && stop()) return;
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) return;
    if (!wake.isActive()) wake.start(static_cast<int>(std::min<std::int64_t>(left, 1 << 30)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void VirtualClock::RunUntil(std::int64_t deadline, const std::function<bool()>& stop) {
  if (stop && stop()) return;
  if (whileWaiting) whileWaiting(*this);
  if (stop && stop()) return;
  if (now_ < deadline) now_ = deadline;
}

}  // namespace kihon
