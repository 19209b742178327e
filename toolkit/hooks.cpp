#include "toolkit/hooks.h"
#include "toolkit/application.h"
#include "toolkit/win_control.h"

namespace vell::tk {

namespace {
TControl* gForceInvalidate = nullptr;
int gForceInvalidateCount = 0;

// A window invalidation reached Window: counted when it concerns the forced control.
void CountForcedInvalidation(const TWinControl* Window) {
    if (gForceInvalidate && (Window->ContainsControl(gForceInvalidate) || gForceInvalidate->ContainsControl(Window)))
        ++gForceInvalidateCount;
}
} // namespace

void SetForceInvalidateControl(TControl* Control) {
    gForceInvalidate = Control;
    gForceInvalidateCount = 0;
}
TControl* ForceInvalidateControl() { return gForceInvalidate; }
int ForceInvalidateCount() { return gForceInvalidateCount; }

// The bottom of the chain: what the framework does by itself.
class TFrameworkHooks final : public TToolkitHooks {
public:
    bool PreProcessMessage(TControl*, TMessage&) override { return false; }
    void InvalidateWindow(TWinControl* Control, const RECT* Rect, bool Erase) override {
        if (Control->HandleAllocated() && ::InvalidateRect(Control->Handle(), Rect, Erase))
            CountForcedInvalidation(Control);
    }
    void InvalidateControl(TControl* Control, bool IsVisible, bool IsOpaque) override {
        TWinControl* window = Control->Parent();
        const bool forced = Control == ForceInvalidateControl();
        if (!(IsVisible || forced || Control->InState(csDesigning)) || !window || !window->HandleAllocated()) return;
        // The area in window coordinates, cut by every windowless container on the way.
        RECT r{0, 0, Control->Width(), Control->Height()};
        POINT at = Control->ClientToParent(POINT{0, 0}, window);
        ::OffsetRect(&r, at.x, at.y);
        for (TControl* c = Control->Container(); c && c != window; c = c->Container()) {
            if (!c->Visible() && !forced && !c->InState(csDesigning)) return;
            POINT o = c->ClientToParent(POINT{0, 0}, window);
            RECT cr{o.x, o.y, o.x + c->Width(), o.y + c->Height()};
            if (!::IntersectRect(&r, &r, &cr)) return;
        }
        window->InvalidateWindow(&r, !(IsOpaque || (window->ControlStyle() & csOpaque)));
    }
    void PaintMessage(TWinControl* Control, TMessage& Message) override { Control->DefaultPaint(Message); }
    void EraseBackground(TWinControl* Control, HDC DC) override { Control->DefaultEraseBackground(DC); }
    void PaintChild(TWinControl* Container, TControl* Child, HDC DC) override {
        Container->DefaultPaintChild(Child, DC);
    }
    void BoundsChanged(TControl*, bool, bool) override {}
    void AlignRequested(TControl*) override {}
    POINT ClientToScreen(const TControl* Control, POINT P) override {
        POINT o = Control->GetClientOrigin();
        return POINT{P.x + o.x, P.y + o.y};
    }
    POINT ScreenToClient(const TControl* Control, POINT P) override {
        POINT o = Control->GetClientOrigin();
        return POINT{P.x - o.x, P.y - o.y};
    }
    bool RouteMouse(TWinControl* Window, TMessage& Message) override { return Window->DefaultRouteMouse(Message); }
    TCursor CursorAt(TWinControl* Window, POINT ClientPos) override { return Window->DefaultCursorAt(ClientPos); }
    bool MouseWheel(TControl* Control, TMessage& Message) override {
        Control->HandleMouseWheel(Message);
        return Message.Result != 0;
    }
    void WindowPosChanging(TWinControl*, WINDOWPOS&) override {}
    void HintMouseMessage(TControl* Control, const TMessage& Message) override {
        if (TApplication* app = CurrentApplication()) app->HintMouseMessage(Control, Message);
    }
    bool SetLayeredAttributes(TWinControl* Control, COLORREF Key, BYTE Alpha, DWORD Flags) override {
        return Control->HandleAllocated() && ::SetLayeredWindowAttributes(Control->Handle(), Key, Alpha, Flags);
    }
    void CustomHintChanging(TControl*, TCustomHint*&) override {}
};

namespace {
TFrameworkHooks& framework() {
    static TFrameworkHooks f;
    return f;
}
TToolkitHooks* gTop = nullptr;
TToolkitHooks* top() { return gTop ? gTop : &framework(); }
} // namespace

TToolkitHooks::~TToolkitHooks() {
    if (FInstalled) RemoveToolkitHooks(this);
}

TToolkitHooks& TToolkitHooks::Next() const { return FNext ? *FNext : framework(); }

bool TToolkitHooks::PreProcessMessage(TControl* Control, TMessage& Message) {
    return Next().PreProcessMessage(Control, Message);
}
void TToolkitHooks::InvalidateWindow(TWinControl* Control, const RECT* Rect, bool Erase) {
    Next().InvalidateWindow(Control, Rect, Erase);
}
void TToolkitHooks::InvalidateControl(TControl* Control, bool IsVisible, bool IsOpaque) {
    Next().InvalidateControl(Control, IsVisible, IsOpaque);
}
void TToolkitHooks::PaintMessage(TWinControl* Control, TMessage& Message) { Next().PaintMessage(Control, Message); }
void TToolkitHooks::EraseBackground(TWinControl* Control, HDC DC) { Next().EraseBackground(Control, DC); }
void TToolkitHooks::PaintChild(TWinControl* Container, TControl* Child, HDC DC) {
    Next().PaintChild(Container, Child, DC);
}
void TToolkitHooks::BoundsChanged(TControl* Control, bool Moved, bool Resized) {
    Next().BoundsChanged(Control, Moved, Resized);
}
void TToolkitHooks::AlignRequested(TControl* Control) { Next().AlignRequested(Control); }
POINT TToolkitHooks::ClientToScreen(const TControl* Control, POINT P) { return Next().ClientToScreen(Control, P); }
POINT TToolkitHooks::ScreenToClient(const TControl* Control, POINT P) { return Next().ScreenToClient(Control, P); }
bool TToolkitHooks::RouteMouse(TWinControl* Window, TMessage& Message) { return Next().RouteMouse(Window, Message); }
TCursor TToolkitHooks::CursorAt(TWinControl* Window, POINT ClientPos) { return Next().CursorAt(Window, ClientPos); }
bool TToolkitHooks::MouseWheel(TControl* Control, TMessage& Message) { return Next().MouseWheel(Control, Message); }
void TToolkitHooks::WindowPosChanging(TWinControl* Control, WINDOWPOS& Pos) { Next().WindowPosChanging(Control, Pos); }
void TToolkitHooks::HintMouseMessage(TControl* Control, const TMessage& Message) {
    Next().HintMouseMessage(Control, Message);
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

TToolkitHooks& ToolkitHooks() { return *top(); }

} // namespace vell::tk
