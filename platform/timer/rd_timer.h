// TRdTimer: a windowless millisecond timer whose ticks arrive through the message loop of
// the thread that started it. It runs only while Enabled, Interval != 0 and OnTimer are
// all set; every change of Enabled or Interval restarts the period.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>

#include "core/component/classes.h"
#include "core/image/errors.h"

namespace vell::win {

// Raised when the system refuses a timer three times.
class EOutOfResources : public ::vell::Exception {
  public:
    using ::vell::Exception::Exception;
};

// Published: Enabled (default True), Interval (default 1000), OnTimer.
class TRdTimer : public tk::TComponent {
    VELL_CLASS_INFO()
  public:
    using TNotifyEvent = tk::TNotifyEvent;

    explicit TRdTimer(tk::TComponent* AOwner = nullptr);
    ~TRdTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // Assigning a handler where there was none (or clearing it) starts (or stops) the
    // timer; replacing one handler by another leaves a running timer alone.
    void SetOnTimer(TNotifyEvent value);
    void SetOnTimer(TNotifyEvent::Function value) { SetOnTimer(TNotifyEvent(std::move(value))); }

    // Calls OnTimer(this) when assigned.
    virtual void Timer();
    // A timer read from a form description starts once its properties are all read.
    void Loaded() override;

    // The running system timer's identifier, 0 when idle.
    uint32_t TimerId() const { return FTimerId; }
    // System timers currently running for TRdTimer objects.
    static int LiveTimerCount();

    // Receives failures that escape an OnTimer handler (they never unwind into the message
    // loop). The default handler writes them to the debugger output. Ticks that arrive on
    // the same thread while a failure is being reported are dropped.
    using ExceptionHandler = std::function<void(TRdTimer* Sender, std::exception_ptr Error)>;
    static void SetExceptionHandler(ExceptionHandler handler);

  private:
    void UpdateTimer();
    friend struct TimerDispatch;
    friend struct TimerClass;

    uint32_t FInterval = 1000;
    uint32_t FTimerId = 0;
    TNotifyEvent FOnTimer;
    bool FEnabled = true;
    std::recursive_mutex FMonitor;
};

} // namespace vell::win
