#include "toolkit/hooks.h"
#include "toolkit/application.h"
#include "toolkit/win_control.h"

namespace vell::tk {

namespace {
TControl* gForceInvalidate = nullptr;
} // namespace

void SetForceInvalidateControl(TControl* Control) {
    gForceInvalidate = Control;
}
TControl* ForceInvalidateControl() {
    return gForceInvalidate;
}

// The bottom of the chain: what the framework does by itself.
class TFrameworkHooks final : public TToolkitHooks {
  public:
    bool PreProcessMessage(TControl*, TMessage&) override { return false; }
    void InvalidateWindow(TWinControl* Control, const RECT* Rect, bool Erase) override {
        if (Control->HandleAllocated()) ::InvalidateRect(Control->Handle(), Rect, Erase);
    }
    void EraseBackground(TWinControl* Control, HDC DC) override { Control->DefaultEraseBackground(DC); }
    void BoundsChanged(TControl*, bool, bool) override {}
    void AlignRequested(TControl*) override {}
    void WindowPosChanging(TWinControl*, WINDOWPOS&) override {}
    bool SetLayeredAttributes(TWinControl* Control, COLORREF Key, BYTE Alpha, DWORD Flags) override {
        return Control->HandleAllocated() &&
               ::SetLayeredWindowAttributes(Control->Handle(), Key, Alpha, Flags);
    }
    void CustomHintChanging(TControl*, TCustomHint*&) override {}
};

namespace {
TFrameworkHooks& framework() {
    static TFrameworkHooks f;
    return f;
}
TToolkitHooks* gTop = nullptr;
TToolkitHooks* top() {
    return gTop ? gTop : &framework();
}
} // namespace

TToolkitHooks::~TToolkitHooks() {
    if (FInstalled) RemoveToolkitHooks(this);
}

TToolkitHooks& TToolkitHooks::Next() const {
    return FNext ? *FNext : framework();
}

bool TToolkitHooks::PreProcessMessage(TControl* Control, TMessage& Message) {
    return Next().PreProcessMessage(Control, Message);
}
void TToolkitHooks::InvalidateWindow(TWinControl* Control, const RECT* Rect, bool Erase) {
    Next().InvalidateWindow(Control, Rect, Erase);
}
void TToolkitHooks::EraseBackground(TWinControl* Control, HDC DC) {
    Next().EraseBackground(Control, DC);
}
void TToolkitHooks::BoundsChanged(TControl* Control, bool Moved, bool Resized) {
    Next().BoundsChanged(Control, Moved, Resized);
}
void TToolkitHooks::AlignRequested(TControl* Control) {
    Next().AlignRequested(Control);
}
void TToolkitHooks::WindowPosChanging(TWinControl* Control, WINDOWPOS& Pos) {
    Next().WindowPosChanging(Control, Pos);
}
void TToolkitHooks::CustomHintChanging(TControl* Control, TCustomHint*& Value) {
    Next().CustomHintChanging(Control, Value);
}
bool TToolkitHooks::SetLayeredAttributes(TWinControl* Control, COLORREF Key, BYTE Alpha, DWORD Flags) {
    return Next().SetLayeredAttributes(Control, Key, Alpha, Flags);
}

void InstallToolkitHooks(TToolkitHooks* Hooks) {
    if (!Hooks || Hooks->FInstalled) return;
    Hooks->FNext = gTop;
    Hooks->FInstalled = true;
    gTop = Hooks;
}

void RemoveToolkitHooks(TToolkitHooks* Hooks) {
    if (!Hooks || !Hooks->FInstalled) return;
    if (gTop == Hooks) {
        gTop = Hooks->FNext;
    } else {
        for (TToolkitHooks* h = gTop; h; h = h->FNext)
            if (h->FNext == Hooks) {
                h->FNext = Hooks->FNext;
                break;
            }
    }
    Hooks->FNext = nullptr;
    Hooks->FInstalled = false;
}

TToolkitHooks& ToolkitHooks() {
    return *top();
}

} // namespace vell::tk
