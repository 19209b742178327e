// Painting: invalidation, windowless controls painting on their window's DC, windowed
// controls painting their window and their windowless children (also into any DC with
// PaintTo), the background, and TCustomControl's canvas.
#include "platform/win/handles.h"
#include "toolkit/form.h"

#include <algorithm>

namespace vell::tk {

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
    TWinControl* window = Parent();
    const bool forced = this == ForceInvalidateControl();
    if (!(IsVisible || forced || InState(csDesigning)) || !window || !window->HandleAllocated()) return;
    // The area in window coordinates, cut by every windowless container on the way.
    RECT r{0, 0, FWidth, FHeight};
    POINT at = ClientToParent(POINT{0, 0}, window);
    ::OffsetRect(&r, at.x, at.y);
    for (TControl* c = Container(); c && c != window; c = c->Container()) {
        if (!c->Visible() && !forced && !c->InState(csDesigning)) return;
        POINT o = c->ClientToParent(POINT{0, 0}, window);
        RECT cr{o.x, o.y, o.x + c->Width(), o.y + c->Height()};
        if (!::IntersectRect(&r, &r, &cr)) return;
    }
    window->InvalidateWindow(&r, !(IsOpaque || (window->ControlStyle() & csOpaque)));
}

HDC TControl::GetDeviceContext(HWND& WindowHandle) {
    WindowHandle = nullptr;
    TWinControl* window = Parent();
    if (!window) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    HDC dc = window->GetDeviceContext(WindowHandle);
    if (!dc) return nullptr;
    POINT at = ClientToParent(POINT{0, 0}, window);
    ::SetViewportOrgEx(dc, at.x, at.y, nullptr);
    ::IntersectClipRect(dc, 0, 0, FWidth, FHeight);
    return dc;
}

HDC TWinControl::GetDeviceContext(HWND& WindowHandle) {
    WindowHandle = Handle();
    return ::GetDC(WindowHandle);
}

void TControl::Invalidate() {
    InvalidateControl(FVisible, IsOpaque());
}

void TControl::Update() {
    if (FParent) FParent->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

const ClassInfo& TGraphicControl::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClass()).build();
    return info;
}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::WndProc(TMessage& m) {
    if (m.Msg == WM_PAINT && m.WParam) {
        {
            TCanvasBinding bound(*FCanvas, reinterpret_cast<HDC>(m.WParam));
            Paint();
        }
        m.Result = 0;
        return;
    }
    TControl::WndProc(m);
}

void TWinControl::InvalidateWindow(const RECT* Rect, bool Erase) {
    if (FHandle) ToolkitHooks().InvalidateWindow(this, Rect, Erase);
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateWindow(nullptr, !IsOpaque());
}

void TWinControl::Update() {
    if (FHandle) ::UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::PaintTo(HDC DC, int X, int Y) {
    FControlState |= csPaintCopy;
    int saved = ::SaveDC(DC);
    ::OffsetWindowOrgEx(DC, -X, -Y, nullptr);
    ::IntersectClipRect(DC, 0, 0, FWidth, FHeight);
    try {
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC));
        Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
    } catch (...) {
        ::RestoreDC(DC, saved);
        FControlState &= ~csPaintCopy;
        throw;
    }
    ::RestoreDC(DC, saved);
    std::vector<TControl*> list = FControls;
    for (TControl* c : list)
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible())
            w->PaintTo(DC, X + w->Left(), Y + w->Top());
    FControlState &= ~csPaintCopy;
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    size_t start = 0;
    if (First) {
        int i = IndexOfControl(First);
        if (i >= 0) start = static_cast<size_t>(i);
    }
    std::vector<TControl*> list(FControls.begin() + static_cast<std::ptrdiff_t>(start), FControls.end());
    for (TControl* c : list) {
        if (dynamic_cast<TWinControl*>(c)) continue;
        if (!c->Visible() && !c->InState(csDesigning)) continue;
        RECT b = c->GetBoundsRect();
        if (!::RectVisible(DC, &b)) continue;
        int saved = ::SaveDC(DC);
        ::OffsetWindowOrgEx(DC, -c->Left(), -c->Top(), nullptr);
        ::IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        if (FControlState & csPaintCopy) c->FControlState |= csPaintCopy;
        try {
            DefaultPaintChild(c, DC);
        } catch (...) {
            c->FControlState &= ~csPaintCopy;
            ::RestoreDC(DC, saved);
            throw;
        }
        c->FControlState &= ~csPaintCopy;
        ::RestoreDC(DC, saved);
    }
}

void TWinControl::DefaultPaintChild(TControl* Child, HDC DC) {
    Child->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC));
}

void TWinControl::PaintWindow(HDC DC) {}

void TWinControl::PaintHandler(HDC DC) {
    int saved = ::SaveDC(DC);
    try {
        PaintWindow(DC);
    } catch (...) {
        ::RestoreDC(DC, saved);
        throw;
    }
    ::RestoreDC(DC, saved);
    PaintControls(DC, nullptr);
}

void TWinControl::DefaultPaint(TMessage& m) {
    if (HDC dc = reinterpret_cast<HDC>(m.WParam)) {
        PaintHandler(dc);
        return;
    }
    if (!FHandle) return;
    win::PaintDC paint(FHandle);
    bool buffered = FDoubleBuffered || (FParentDoubleBuffered && FParent && FParent->DoubleBuffered());
    if (!buffered) {
        PaintHandler(paint.get());
        return;
    }
    RECT cr;
    ::GetClientRect(FHandle, &cr);
    win::UniqueMemoryDC mem(::CreateCompatibleDC(paint.get()));
    win::UniqueBitmap bmp(
        ::CreateCompatibleBitmap(paint.get(), std::max<LONG>(cr.right, 1), std::max<LONG>(cr.bottom, 1)));
    if (!mem || !bmp) {
        PaintHandler(paint.get());
        return;
    }
    {
        win::SelectObjectGuard sel(mem.get(), bmp.get());
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem.get()));
        PaintHandler(mem.get());
        ::BitBlt(paint.get(), 0, 0, cr.right, cr.bottom, mem.get(), 0, 0, SRCCOPY);
    }
}

TColor TWinControl::BackgroundColor() const {
    // A control that paints its parent's background takes the colour of the nearest
    // ancestor that does not; clDefault means the form's colour (white when that is
    // clDefault too).
    const TControl* source = this;
    if (ParentBackground() && !dynamic_cast<const TCustomForm*>(this))
        for (const TControl* c = Container(); c; c = c->Container()) {
            source = c;
            auto* w = dynamic_cast<const TWinControl*>(c);
            if (!w || !w->ParentBackground() || dynamic_cast<const TCustomForm*>(c)) break;
        }
    TColor color = source->Color();
    if (color == clDefault) {
        const TCustomForm* form = GetParentForm(source);
        color = form && form != source ? form->Color() : clDefault;
        if (color == clDefault) color = clWhite;
    }
    return color;
}

void TWinControl::DefaultEraseBackground(HDC DC) {
    if (!DC) return;
    TColor color = BackgroundColor();
    if (color == clNone) return;
    RECT r = GetClientRect();
    TBrush brush;
    brush.SetColor(color);
    ::FillRect(DC, &r, brush.Handle());
}

// ---- TCustomControl ----
const ClassInfo& TCustomControl::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TCustomControl>("TCustomControl", &TWinControl::StaticClass()).build();
    return info;
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() {
    // The canvas may hold a DC of the window: give it back first.
    if (auto* cc = dynamic_cast<TControlCanvas*>(FCanvas.get())) cc->FreeHandle();
}

void TCustomControl::PaintWindow(HDC DC) {
    FControlState |= csCustomPaint;
    struct CustomPaint {
        uint32_t& state;
        ~CustomPaint() { state &= ~csCustomPaint; }
    } flag{FControlState};
    TCanvasBinding bound(*FCanvas, DC);
    Paint();
}

} // namespace vell::tk
