// What ends a hint by itself: while the mouse is over the hint or its shadow layer it
// stays (polled on a timer), and a hint shown with auto-hide goes on the next key or click
// anywhere in the thread (a message hook of the thread).
#include "rdcontrol/hint/hint_window.h"

#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_skin.h"

#include <algorithm>
#include <vector>

namespace vell::rd {

namespace {

// The windows shown with auto-hide, and the thread's message hook that hides them.
std::vector<TRdSkinHintWindow*> gAutoHide;
HHOOK gAutoHideHook = nullptr;

LRESULT CALLBACK autoHideHook(int Code, WPARAM WParam, LPARAM LParam) {
    if (Code == HC_ACTION && WParam == PM_REMOVE) {
        const MSG& msg = *reinterpret_cast<const MSG*>(LParam);
        for (TRdSkinHintWindow* w : std::vector<TRdSkinHintWindow*>(gAutoHide))
            if (std::find(gAutoHide.begin(), gAutoHide.end(), w) != gAutoHide.end() && w->NowShowing() &&
                w->IsHintMsg(msg))
                w->HideHint();
    }
    return ::CallNextHookEx(gAutoHideHook, Code, WParam, LParam);
}

bool cursorIn(HWND Wnd, POINT P) {
    RECT r;
    return Wnd && ::IsWindowVisible(Wnd) && ::GetWindowRect(Wnd, &r) && ::PtInRect(&r, P);
}

} // namespace

bool TRdSkinHintWindow::CursorOverHint() const {
    POINT p;
    if (!::GetCursorPos(&p) || !HandleAllocated()) return false;
    HWND shadow = FFormShadow && FFormShadow->FormShadowBg() && FFormShadow->FormShadowBg()->HandleAllocated()
                      ? FFormShadow->FormShadowBg()->Handle()
                      : nullptr;
    return cursorIn(const_cast<TRdSkinHintWindow*>(this)->Handle(), p) || cursorIn(shadow, p);
}

bool TRdSkinHintWindow::IsHintMsg(const MSG& Msg) {
    // The hint's own window and its shadow layer never count.
    if (HandleAllocated()) {
        HWND root = ::GetAncestor(Msg.hwnd, GA_ROOT);
        if (Msg.hwnd == Handle() || root == Handle()) return false;
        if (FFormShadow && FFormShadow->FormShadowBg() && FFormShadow->FormShadowBg()->HandleAllocated() &&
            (root == FFormShadow->FormShadowBg()->Handle() ||
             Msg.hwnd == FFormShadow->FormShadowBg()->Handle()))
            return false;
    }
    const UINT m = Msg.message;
    return m == WM_KEYDOWN || (m >= 0x102 && m <= 0x109) || m == WM_COMMAND || m == tk::CM_APPKEYDOWN ||
           m == tk::CM_APPSYSCOMMAND || (m >= 0x201 && m <= 0x20E);
}

void TRdSkinHintWindow::SetAutoHideRegistered(bool On) {
    auto it = std::find(gAutoHide.begin(), gAutoHide.end(), this);
    if (On && it == gAutoHide.end()) gAutoHide.push_back(this);
    if (!On && it != gAutoHide.end()) gAutoHide.erase(it);
    if (!gAutoHide.empty() && !gAutoHideHook)
        gAutoHideHook = ::SetWindowsHookExW(WH_GETMESSAGE, &autoHideHook, nullptr, ::GetCurrentThreadId());
    if (gAutoHide.empty() && gAutoHideHook) {
        ::UnhookWindowsHookEx(gAutoHideHook);
        gAutoHideHook = nullptr;
    }
}

} // namespace vell::rd
