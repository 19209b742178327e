#include "rdcontrol/hint/show_hide_thread.h"

#include "toolkit/application.h"

namespace vell::rd {

TRdHintShowHideThread::TRdHintShowHideThread(std::shared_ptr<THintFadeShared> Shared)
    : FShared(std::move(Shared)), FWait(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      FExit(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (FWait && FExit) FThread.reset(::CreateThread(nullptr, 0, &Entry, this, 0, nullptr));
}

TRdHintShowHideThread::~TRdHintShowHideThread() {
    if (FExit) ::SetEvent(FExit.get());
    if (!FThread) return;
    // The worker may be waiting for a synchronous call: run those while waiting for it.
    tk::TApplication* app = tk::CurrentApplication();
    while (::WaitForSingleObject(FThread.get(), 5) == WAIT_TIMEOUT)
        if (app && app->InMainThread()) app->CheckSynchronize();
}

bool TRdHintShowHideThread::Running() const {
    return FThread && ::WaitForSingleObject(FThread.get(), 0) == WAIT_TIMEOUT;
}

DWORD WINAPI TRdHintShowHideThread::Entry(void* Self) {
    try {
        static_cast<TRdHintShowHideThread*>(Self)->Execute();
    } catch (...) {
    }
    return 0;
}

void TRdHintShowHideThread::Execute() {
    const HANDLE events[2] = {FExit.get(), FWait.get()};
    std::shared_ptr<THintFadeShared> s = FShared;
    for (;;) {
        if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
        tk::TApplication* app = tk::CurrentApplication();
        if (!app) return;
        int alpha = s->Alpha;
        DWORD last = ::GetTickCount();
        while (alpha > 0) {
            if (::WaitForSingleObject(FExit.get(), 2) == WAIT_OBJECT_0) return;
            if (s->NowShow == 1 || !s->Alive || app->Terminated()) break; // a new show keeps the window
            if (::GetTickCount() - last < static_cast<DWORD>(s->Interval.load())) continue;
            last = ::GetTickCount();
            const int step = s->Step;
            alpha = alpha < step ? 0 : alpha - step;
            app->Synchronize([s, alpha] {
                if (s->Alive && s->NowShow != 1 && s->ApplyAlpha) s->ApplyAlpha(alpha);
            });
        }
        if (alpha == 0)
            app->Queue([s] {
                if (s->Alive && s->NowShow != 1 && s->HideNow) s->HideNow();
            });
    }
}

} // namespace vell::rd
