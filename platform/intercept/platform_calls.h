// The platform's own drawing functions, as they were before the drawing imports were
// redirected. Code that must not be intercepted (the replacements themselves, the image
// engine's own blits) calls them through here.
#pragma once
#include <windows.h>
#include <commctrl.h>

namespace vell {

// One entry per redirected function, in the order of the redirect table.
enum class DrawCall : int {
    // user32.dll
    FillRect,
    FrameRect,
    DrawEdge,
    DrawFrameControl,
    DrawTextW,
    DrawTextExW,
    DrawIconEx,
    // gdi32.dll
    StretchBlt,
    SetPixel,
    BitBlt,
    Rectangle,
    LineTo,
    Polyline,
    Ellipse,
    RoundRect,
    TextOutW,
    ExtTextOutW,
    // comctl32.dll
    ImageList_DrawEx,
    Count
};

// Field order = DrawCall order.
struct PlatformCalls {
    decltype(&::FillRect) FillRect;
    decltype(&::FrameRect) FrameRect;
    decltype(&::DrawEdge) DrawEdge;
    decltype(&::DrawFrameControl) DrawFrameControl;
    decltype(&::DrawTextW) DrawTextW;
    decltype(&::DrawTextExW) DrawTextExW;
    decltype(&::DrawIconEx) DrawIconEx;
    decltype(&::StretchBlt) StretchBlt;
    decltype(&::SetPixel) SetPixel;
    decltype(&::BitBlt) BitBlt;
    decltype(&::Rectangle) Rectangle;
    decltype(&::LineTo) LineTo;
    decltype(&::Polyline) Polyline;
    decltype(&::Ellipse) Ellipse;
    decltype(&::RoundRect) RoundRect;
    decltype(&::TextOutW) TextOutW;
    decltype(&::ExtTextOutW) ExtTextOutW;
    decltype(&::ImageList_DrawEx) ImageList_DrawEx;
};

// The unredirected functions: the addresses saved from the import tables when the
// redirects were installed, else the functions looked up by name in their libraries.
const PlatformCalls& Platform();

// Looked up by name once and kept apart from the redirect table, for the image engine.
decltype(&::StretchBlt) PlatformStretchBlt();
decltype(&::BitBlt) PlatformBitBlt();
decltype(&::FillRect) PlatformFillRect();
decltype(&::DrawIconEx) PlatformDrawIconEx();

// ---- The redirect table ----

struct RedirectEntry {
    const char* Library; // "user32.dll", "gdi32.dll", "comctl32.dll"
    const char* Name;
};
const RedirectEntry& RedirectTableEntry(DrawCall call);
// The slot of a function: empty until its redirect is installed, then the saved address.
void** RedirectSlot(DrawCall call);

} // namespace vell
