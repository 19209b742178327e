// TRdHintShowHideThread: the worker that fades a hint window out. It waits on two events:
// FWait (auto-reset) starts a fade-out, FExit (manual-reset) ends the worker and is also
// its 2 ms sleep. Every alpha step runs as a synchronous call on the user-interface
// thread, the final hide is queued there. The window and the worker share a small state
// that the window marks dead before it goes, so a call still on its way does nothing.
#pragma once
#include "platform/win/handles.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

namespace vell::rd {

struct THintFadeShared {
    std::atomic<int> NowShow{0}; // 1 while shown or being shown, 0 after a hide request
    std::atomic<bool> Alive{true};
    std::atomic<int> Alpha{0};
    std::atomic<int> Step{25};
    std::atomic<int> Interval{30};
    // Run on the user-interface thread while Alive: apply an alpha, hide the window now.
    std::function<void(int)> ApplyAlpha;
    std::function<void()> HideNow;
};

class TRdHintShowHideThread {
  public:
    explicit TRdHintShowHideThread(std::shared_ptr<THintFadeShared> Shared);
    // Ends the worker and waits for it, running the calls it waits on meanwhile.
    ~TRdHintShowHideThread();
    TRdHintShowHideThread(const TRdHintShowHideThread&) = delete;
    TRdHintShowHideThread& operator=(const TRdHintShowHideThread&) = delete;

    // Starts a fade-out from the shared alpha.
    void FadeOut() { ::SetEvent(FWait.get()); }
    bool Running() const;

  private:
    static DWORD WINAPI Entry(void* Self);
    void Execute();
    std::shared_ptr<THintFadeShared> FShared;
    win::UniqueKernelHandle FWait, FExit, FThread;
};

} // namespace vell::rd
