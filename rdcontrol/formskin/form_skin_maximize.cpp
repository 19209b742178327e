// The form skin's maximised bounds: a maximised owner keeps to its monitor's work area, or
// covers the whole monitor (MaxFullScreenMode).
#include "rdcontrol/formskin/form_skin.h"

#include <algorithm>

namespace vell::rd {

namespace {

// The monitor nearest to a window and its work area (the system's work area on the primary
// monitor, which is what a taskbar reserves).
bool monitorOf(HWND Wnd, RECT& Monitor, RECT& Work, bool& Primary) {
    MONITORINFO mi{sizeof(mi)};
    if (!::GetMonitorInfoW(::MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &mi)) return false;
    Monitor = mi.rcMonitor;
    Work = mi.rcWork;
    Primary = (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
    RECT system{};
    if (Primary && ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &system, 0) && !::IsRectEmpty(&system))
        Work = system;
    return true;
}

} // namespace

void TRdFormSkin::SetMaxFullScreenMode(bool Value) {
    if (FMaxFullScreenMode == Value) return;
    FMaxFullScreenMode = Value;
    if (InState(tk::csDesigning | tk::csLoading) || !FOwnerControl || !FOwnerControl->HandleAllocated())
        return;
    HWND h = FOwnerControl->Handle();
    if (!::IsZoomed(h)) return;
    RECT monitor, work;
    bool primary;
    if (!monitorOf(h, monitor, work, primary)) return;
    const RECT& r = Value ? monitor : work;
    ::MoveWindow(h, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void TRdFormSkin::MaximizeBounds(MINMAXINFO& Info) const {
    if (!FShadowFrame->Enabled() || !FOwnerControl || !FOwnerControl->HandleAllocated()) return;
    RECT monitor, work;
    bool primary;
    if (!monitorOf(FOwnerControl->Handle(), monitor, work, primary)) return;
    const RECT& t = FMaxFullScreenMode ? monitor : work;
    Info.ptMaxPosition = POINT{t.left - monitor.left, t.top - monitor.top};
    Info.ptMaxSize = POINT{t.right - t.left, t.bottom - t.top};
    Info.ptMaxTrackSize.x = std::max(Info.ptMaxTrackSize.x, Info.ptMaxSize.x);
    Info.ptMaxTrackSize.y = std::max(Info.ptMaxTrackSize.y, Info.ptMaxSize.y);
}

void TRdFormSkin::LimitMaximizedSize(WINDOWPOS& Pos) const {
    if ((Pos.flags & SWP_NOSIZE) || !(Pos.flags & 0x8000 /* SWP_STATECHANGED */) || !OwnerMaximized()) return;
    RECT monitor, work;
    bool primary;
    if (!monitorOf(FOwnerControl->Handle(), monitor, work, primary) || primary) return;
    Pos.cx = std::min<int>(Pos.cx, work.right - work.left);
    Pos.cy = std::min<int>(Pos.cy, work.bottom - work.top);
}

} // namespace vell::rd
