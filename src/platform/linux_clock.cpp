// Wall-clock time, waits and timers on the Qt event loop.
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <thread>

#include "platform/linux.h"

namespace zarvane {
namespace {

// What the QTimer's connection shares with the handle, so that a handle
// destroyed from inside its own callback leaves the running call intact.
struct TickState {
  std::function<void()> onTick;
  bool firing = false;
};

class QtTimerHandle : public TimerHandle {
 public:
  explicit QtTimerHandle(std::function<void()> onTick)
      : state_(std::make_shared<TickState>()), timer_(new QTimer) {
    state_->onTick = std::move(onTick);
    timer_->setSingleShot(false);
    std::shared_ptr<TickState> state = state_;
    QObject::connect(timer_, &QTimer::timeout, [state] {
      std::shared_ptr<TickState> keep = state;
      keep->firing = true;
      if (keep->onTick) keep->onTick();
      keep->firing = false;
    });
  }

  ~QtTimerHandle() override {
    timer_->stop();
    // Deleting a QTimer while its timeout is being delivered is not allowed.
    if (state_->firing)
      timer_->deleteLater();
    else
      delete timer_;
  }

  void SetInterval(int ms) override {
    interval_ = ms;
    Apply();
  }

  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Apply();
  }

 private:
  // Ticks only while enabled with an interval above 0; (re)starting restarts the period.
  void Apply() {
    if (enabled_ && interval_ > 0)
      timer_->start(interval_);
    else
      timer_->stop();
  }

  std::shared_ptr<TickState> state_;
  QTimer* timer_;
  int interval_ = 0;
  bool enabled_ = true;
};

}  // namespace

std::chrono::system_clock::time_point RealClock::Now() { return std::chrono::system_clock::now(); }

void RealClock::Sleep(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void RealClock::Wait(int ms) {
  if (!QCoreApplication::instance()) {
    Sleep(ms);
    return;
  }
  if (ms <= 0) {
    QCoreApplication::processEvents();
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void RealClock::ProcessEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

std::unique_ptr<TimerHandle> RealClock::CreateTimer(std::function<void()> onTick) {
  return std::make_unique<QtTimerHandle>(std::move(onTick));
}

}  // namespace zarvane
