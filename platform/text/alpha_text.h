// The alpha text renderer: DrawTextW, DrawTextExW, TextOutW and ExtTextOutW for device
// contexts that draw into 32-bit alpha pixels. The platform draws the text black on white
// into the target; that becomes a coverage mask, and the text colour (and an optional
// blurred drop shadow) is composited into the pixels with premultiplied alpha.
#pragma once
#include <windows.h>

namespace vell {

// DrawTextW / DrawTextExW flag asking for a soft drop shadow under the text.
constexpr UINT DT_VELL_SHADOW = 0x01000000;

int WINAPI AlphaDrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);
int WINAPI AlphaDrawTextExW(HDC dc, LPWSTR text, int count, LPRECT rect, UINT format,
                            LPDRAWTEXTPARAMS params);
BOOL WINAPI AlphaTextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL WINAPI AlphaExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                             const INT* dx);

// Makes the four functions above the text renderer of the drawing redirects.
void InstallAlphaTextRenderer();

} // namespace vell
