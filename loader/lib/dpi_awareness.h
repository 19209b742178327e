// DPI awareness and large-screen scaling: the start-up probe and declaration of the
// process's DPI awareness as the Windows version allows, the DPI of the taskbar's screen,
// and the decision whether the box is drawn at double size.
#pragma once
#include <windows.h>

#include <string>

namespace vell::loader::dpi {

// Process-wide state.
extern int MeasuredDpi;              // last VLR_GetDPINew result kept by IsLargeScreen; 96 at start
extern bool LargeScreen;             // set by the loading box from IsLargeScreen
extern const float LargeScreenScale; // 2.0

// A normal (not detail) log entry.
void WriteDpiLog(const std::wstring& text);

bool IsWindowsVersionOrGreater(WORD major, WORD minor, WORD servicePackMajor);
bool IsWindows8Point1OrGreater();

// Module start-up: InitCheckDPI, then DoDPIAware.
void Startup();
void InitCheckDPI();
void DoDPIAware();

// The DPI of the screen holding the taskbar (96 when unknown).
int VLR_GetDPINew();

// Large-screen decision over a work area and a DPI.
bool IsLargeScreenFor(int workWidth, int workHeight, int dpi);
// Measures the DPI (logged as "GetSystemDPI: "), then decides for the work area of the
// monitor nearest to `window`.
bool IsLargeScreen(HWND window);

} // namespace vell::loader::dpi
