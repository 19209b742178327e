// TRdTimer: a windowless millisecond timer whose ticks arrive through the message loop of
// the thread that started it. It runs only while Enabled, Interval != 0 and OnTimer are
// all set; every change of Enabled or Interval restarts the period.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>

#include "core/image/errors.h"

namespace vell::win {

// Raised when the system refuses a timer three times.
class EOutOfResources : public ::vell::Exception {
public:
    using ::vell::Exception::Exception;
};

class TRdTimer {
public:
    using TNotifyEvent = std::function<void(TRdTimer* Sender)>;

    TRdTimer();
    virtual ~TRdTimer();
    TRdTimer(const TRdTimer&) = delete;
    TRdTimer& operator=(const TRdTimer&) = delete;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // Assigning a handler where there was none (or clearing it) starts (or stops) the
    // timer; replacing one handler by another leaves a running timer alone.
    void SetOnTimer(TNotifyEvent value);

    // Calls OnTimer(this) when assigned.
    virtual void Timer();

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

    uint32_t FInterval = 1000;
    uint32_t FTimerId = 0;
    TNotifyEvent FOnTimer;
    bool FEnabled = true;
    std::recursive_mutex FMonitor;
};

} // namespace vell::win
