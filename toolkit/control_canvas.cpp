#include "toolkit/control_canvas.h"
#include "toolkit/win_control.h"

#include <algorithm>
#include <vector>

namespace vell::tk {

namespace {
std::vector<TControlCanvas*> gCanvasesWithDC;
} // namespace

const ClassInfo& TControlCanvas::StaticClass() {
    static const ClassInfo info =
        ClassBuilder<TControlCanvas>("TControlCanvas", &TCanvas::StaticClass()).build();
    return info;
}

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::CreateHandle() {
    if (!FControl) return;
    auto* win = dynamic_cast<TWinControl*>(FControl);
    TWinControl* host = win ? win : FControl->Parent();
    if (!host) return;
    HWND wnd = host->Handle();
    if (!wnd) return;
    HDC dc = ::GetDCEx(wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!dc) return;
    if (!win) {
        // A windowless control draws in its own coordinates, wherever it is nested.
        POINT at = FControl->ClientToParent(POINT{0, 0}, host);
        ::SetWindowOrgEx(dc, -at.x, -at.y, nullptr);
        ::IntersectClipRect(dc, 0, 0, FControl->Width(), FControl->Height());
    }
    FDeviceContext = dc;
    FWindowHandle = wnd;
    gCanvasesWithDC.push_back(this);
    SetHandle(dc);
}

void TControlCanvas::FreeHandle() {
    if (!FDeviceContext) return;
    SetHandle(nullptr);
    ::ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    FWindowHandle = nullptr;
    gCanvasesWithDC.erase(std::remove(gCanvasesWithDC.begin(), gCanvasesWithDC.end(), this),
                          gCanvasesWithDC.end());
}

void FreeDeviceContexts() {
    std::vector<TControlCanvas*> list = gCanvasesWithDC;
    for (TControlCanvas* c : list)
        if (c->LockCount() == 0) c->FreeHandle();
}

} // namespace vell::tk
