// The redirected drawing imports. After InstallDrawingRedirects, the program's own calls
// of the functions below reach replacements that draw correct per-pixel alpha on alpha DCs
// (IsAlphaDC) and call the platform function unchanged on every other DC:
//   user32:   FillRect, FrameRect, DrawEdge, DrawFrameControl, DrawTextW, DrawTextExW, DrawIconEx
//   gdi32:    StretchBlt, SetPixel, BitBlt, Rectangle, LineTo, Polyline, Ellipse, RoundRect,
//             TextOutW, ExtTextOutW
//   comctl32: ImageList_DrawEx
#pragma once
#include <windows.h>

namespace vell {

// Installs the redirects once (later calls do nothing) and makes the calling thread the
// owner of the cached scratch images. Run at start-up before any window is created.
void InstallDrawingRedirects();
// Puts the platform functions back into the import entries, forgets the text renderer and
// frees the cached scratch images: InstallDrawingRedirects can start again afterwards.
// Run at shut-down, after the last window is gone.
void RemoveDrawingRedirects();

// The alpha text renderer. The text replacements call these for alpha DCs; an empty entry
// means the platform function. The renderer reaches the platform's own text functions
// through Platform() (platform/intercept/platform_calls.h).
struct AlphaTextRenderer {
    int(WINAPI* DrawTextW)(HDC, LPCWSTR, int, LPRECT, UINT) = nullptr;
    int(WINAPI* DrawTextExW)(HDC, LPWSTR, int, LPRECT, UINT, LPDRAWTEXTPARAMS) = nullptr;
    BOOL(WINAPI* TextOutW)(HDC, int, int, LPCWSTR, int) = nullptr;
    BOOL(WINAPI* ExtTextOutW)(HDC, int, int, UINT, const RECT*, LPCWSTR, UINT, const INT*) = nullptr;
};
void SetAlphaTextRenderer(const AlphaTextRenderer& renderer);

} // namespace vell
