// Showing and hiding the hint: it fades in on the user-interface thread and out on its
// worker (TRdHintShowHideThread), or shows and hides at once; an opaque hint's shadow
// margins follow the opacity on a monitor the system scales.
#include "rdcontrol/hint/hint_window.h"

#include "platform/win/handles.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/hint/hint_window_internal.h"
#include "rdcontrol/hint/skin_hint.h"
#include "toolkit/application.h"
#include "toolkit/system_prefs.h"

#include <algorithm>

namespace vell::rd {

using namespace hint_window;

namespace {

constexpr UINT kHideFlags = 0x297; // SWP_HIDEWINDOW | NOACTIVATE | NOZORDER | NOMOVE | NOSIZE | NOOWNERZORDER

std::function<unsigned()> gFadeNow;
std::function<void(int)> gFadePause;

unsigned fadeNow() {
    return gFadeNow ? gFadeNow() : static_cast<unsigned>(::GetTickCount());
}
// The style fades the hint in and out, and the system allows client-area animation.
bool fades(const TRdSkinHint* Style) {
    return Style && Style->AlphaBlend() && Style->AlphaBlendAnimation() && tk::ClientAreaAnimation();
}

void fadePause(int ms) {
    if (gFadePause)
        gFadePause(ms);
    else
        ::Sleep(static_cast<DWORD>(ms));
}

// The process is DPI-aware when the platform says so and its awareness is not the unaware
// level (both looked up at run time: older systems lack them).
bool processDpiAware() {
    static const bool aware = [] {
        using IsAwareFn = BOOL(WINAPI*)();
        using GetAwarenessFn = HRESULT(WINAPI*)(HANDLE, int*);
        auto isAware = reinterpret_cast<IsAwareFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "IsProcessDPIAware")));
        if (!isAware || !isAware()) return false;
        const win::UniqueModule shcore(::LoadLibraryW(L"shcore.dll"));
        if (!shcore) return true;
        auto get = reinterpret_cast<GetAwarenessFn>(
            reinterpret_cast<void*>(::GetProcAddress(shcore.get(), "GetProcessDpiAwareness")));
        int level = 1;
        if (get && FAILED(get(nullptr, &level))) level = 1;
        return level != 0;
    }();
    return aware;
}

// The system scales Wnd's monitor for this process (an unaware process on a monitor whose
// rectangle differs from its display mode).
bool smoothScaled(HWND Wnd) {
    if (!Wnd || processDpiAware()) return false;
    MONITORINFOEXW mi{};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoW(::MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &mi)) return false;
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    if (!::EnumDisplaySettingsW(mi.szDevice, ENUM_CURRENT_SETTINGS, &mode)) return false;
    return hint::MonitorScaled(mi.rcMonitor.right - mi.rcMonitor.left, mi.rcMonitor.bottom - mi.rcMonitor.top,
                               static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight));
}

} // namespace

void TRdSkinHintWindow::SetFadeClock(std::function<unsigned()> Now, std::function<void(int)> Pause) {
    gFadeNow = std::move(Now);
    gFadePause = std::move(Pause);
}

void TRdSkinHintWindow::ApplyAlpha(int Alpha) {
    const bool wasOpaque = FShared->Alpha >= 255;
    FShared->Alpha = Alpha;
    SetAlphaBlend(true);
    SetAlphaBlendValue(static_cast<uint8_t>(std::clamp(Alpha, 0, 255)));
    // The shadow's margins depend on opacity on a scaled monitor.
    if (FWindowSmoothScaled && wasOpaque != (Alpha >= 255) && WindowVisible() && FFormShadow)
        FFormShadow->Refresh();
}

void TRdSkinHintWindow::ShowAnimated() {
    TRdSkinHint* style = FRdSkinHint;
    HWND wnd = Handle();
    FWindowSmoothScaled = smoothScaled(wnd);
    const int target = style ? (style->AlphaBlend() ? style->AlphaBlendValue() : 255) : 255;
    const bool fading = fades(style) && style->AlphaBlendAnimationTimes() > 0 &&
                        !(FWindowSmoothScaled && style->BackgroundOption()->ShadowFrameFixDPI());
    FShared->NowShow = 1;
    const int times = style ? style->AlphaBlendAnimationTimes() : 10;
    const int interval = style ? style->AlphaBlendAnimationInterval() : 30;
    FShared->Step = hint::FadeStep(target, times);
    FShared->Interval = interval;
    int alpha = fading ? FShared->Alpha.load() : target;
    ApplyAlpha(alpha);
    // A layer that becomes visible now draws itself; one already shown needs this hint's
    // arrow.
    TRdFormShadowBg* layer = FFormShadow ? FFormShadow->FormShadowBg() : nullptr;
    const bool layerShown = layer && layer->ShadowVisible();
    InitVisible(true);
    ::SetWindowPos(wnd, HWND_TOPMOST, Left(), Top(), Width(), Height(),
                   SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if (SkinnedLook() && layerShown) FFormShadow->Refresh();
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!fading) return;
    unsigned last = fadeNow();
    tk::TApplication* app = tk::CurrentApplication();
    while (alpha < target) {
        if (fadeNow() - last >= static_cast<unsigned>(interval)) {
            last = fadeNow();
            alpha = hint::FadeInNext(alpha, target, FShared->Step);
            ApplyAlpha(alpha);
        } else {
            fadePause(2);
        }
        if ((app && app->Terminated()) || !FRdSkinHint || FShared->NowShow != 1) break;
    }
}

void TRdSkinHintWindow::HideRequest() {
    if (FShared->NowShow <= 0) return;
    FShared->NowShow = 0;
    TRdSkinHint* style = FRdSkinHint;
    if (fades(style) && FShowHideThread && FShowHideThread->Running())
        FShowHideThread->FadeOut();
    else
        HideWindowNow();
}

void TRdSkinHintWindow::HideWindowNow() {
    if (FShared->NowShow == 1) return;
    FShared->NowShow = 0;
    if (HandleAllocated()) {
        ::KillTimer(Handle(), kPollTimer);
        ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, kHideFlags);
    }
    InitVisible(false);
    SetAutoHideRegistered(false);
}

void TRdSkinHintWindow::HideHint() {
    if (HandleAllocated()) ::KillTimer(Handle(), kHidePauseTimer);
    if (!FShowHideThread) {
        FShared->NowShow = 0;
        HideWindowNow();
    } else {
        HideRequest();
    }
}

// The session ends: the worker stops (joined here) and the hint goes at once.
void TRdSkinHintWindow::EndSession() {
    FShared->NowShow = 0;
    FShowHideThread.reset();
    if (HandleAllocated()) ::KillTimer(Handle(), kHidePauseTimer);
    HideWindowNow();
}

bool TRdSkinHintWindow::ShouldHideHint() {
    if (!FRdSkinHint && !WindowVisible()) return true;
    if (HandleAllocated()) ::KillTimer(Handle(), kHidePauseTimer);
    if (WindowVisible() && FRdSkinHint && FRdSkinHint->Active()) {
        FNeedHide = true;
        if (!::SetTimer(Handle(), kPollTimer, 200, nullptr)) HideRequest();
        return false;
    }
    FShared->NowShow = 0;
    HideWindowNow();
    return true;
}

void TRdSkinHintWindow::ReleaseHandle() {
    (void)ShouldHideHint();
}

} // namespace vell::rd
