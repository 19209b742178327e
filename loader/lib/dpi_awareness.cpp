#include "loader/lib/dpi_awareness.h"

#include "core/text/utf.h"
#include "platform/win/environment.h"
#include "services/log/log.h"
#include "platform/win/handles.h"

#include <algorithm>
#include <string>

namespace vell::loader::dpi {

int MeasuredDpi = 96;
bool LargeScreen = false;
const float LargeScreenScale = 2.0f;

namespace {

using IsProcessDPIAwareFn = BOOL(WINAPI*)();
using SetProcessDPIAwareFn = BOOL(WINAPI*)();
using GetProcessDpiAwarenessFn = HRESULT(WINAPI*)(HANDLE, int*);
using SetProcessDpiAwarenessFn = HRESULT(WINAPI*)(int);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

// Entry points looked up by InitCheckDPI; DoDPIAware uses what it found.
IsProcessDPIAwareFn g_isProcessDPIAware = nullptr;
SetProcessDPIAwareFn g_setProcessDPIAware = nullptr;
GetProcessDpiAwarenessFn g_getProcessDpiAwareness = nullptr;
SetProcessDpiAwarenessFn g_setProcessDpiAwareness = nullptr;

constexpr int kPerMonitorAware = 2;

template <typename Fn> Fn entry(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

int memoryDcLogPixelsY() {
    win::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
    return dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
}

std::wstring num(long long v) {
    return std::to_wstring(v);
}

} // namespace

void WriteDpiLog(const std::wstring& line) {
    WriteLogLine(text::fromWide(line), false);
}

bool IsWindowsVersionOrGreater(WORD major, WORD minor, WORD servicePackMajor) {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof(v);
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    v.wServicePackMajor = servicePackMajor;
    DWORDLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&v, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) !=
           FALSE;
}

bool IsWindows8Point1OrGreater() {
    return IsWindowsVersionOrGreater(6, 3, 0);
}

void Startup() {
    InitCheckDPI();
    DoDPIAware();
}

void InitCheckDPI() {
    try {
        if (env::WindowsMajorVersion() < 6) return;
        HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
        g_isProcessDPIAware = entry<IsProcessDPIAwareFn>(user32, "IsProcessDPIAware");
        g_setProcessDPIAware = entry<SetProcessDPIAwareFn>(user32, "SetProcessDPIAware");
        if (!g_isProcessDPIAware) return;
        if (g_isProcessDPIAware()) {
            // Shcore is only asked when something already loaded it.
            HMODULE shcore = ::GetModuleHandleW(L"Shcore.dll");
            g_getProcessDpiAwareness = entry<GetProcessDpiAwarenessFn>(shcore, "GetProcessDpiAwareness");
            g_setProcessDpiAwareness = entry<SetProcessDpiAwarenessFn>(shcore, "SetProcessDpiAwareness");
            int awareness = 0;
            if (g_getProcessDpiAwareness &&
                SUCCEEDED(g_getProcessDpiAwareness(::GetCurrentProcess(), &awareness))) {
                WriteDpiLog(L"**************** GetProcessDpiAwareness : " + num(awareness));
                if (awareness == 0) WriteDpiLog(L"InitCheckDPI LOGPIXELSY: " + num(memoryDcLogPixelsY()));
            }
        } else {
            WriteDpiLog(L"InitCheckDPI LOGPIXELSY: " + num(memoryDcLogPixelsY()));
        }
    } catch (...) {
    }
}

void DoDPIAware() {
    const unsigned major = env::WindowsMajorVersion();
    WriteDpiLog(L"**************** DoDPIAware begin: " + num(major));
    if (major < 6) return;
    if (IsWindows8Point1OrGreater()) {
        WriteDpiLog(L"IsWindows8Point1OrGreater 11111");
        if (g_setProcessDpiAwareness) {
            WriteDpiLog(L"**************** SetProcessDpiAwareness 1");
            HRESULT hr = g_setProcessDpiAwareness(kPerMonitorAware);
            WriteDpiLog(L"**************** SetProcessDpiAwareness 1 :" + num(hr));
        } else {
            HMODULE shcore = ::GetModuleHandleW(L"Shcore.dll");
            WriteDpiLog(L"**************** SHcoreHandle: " +
                        num(static_cast<long long>(reinterpret_cast<uintptr_t>(shcore))));
            // Loaded for the rest of the process: the awareness it declares lasts as long.
            if (!shcore) shcore = ::LoadLibraryW(L"Shcore.dll");
            if (auto set = entry<SetProcessDpiAwarenessFn>(shcore, "SetProcessDpiAwareness")) {
                WriteDpiLog(L"**************** SetProcessDpiAwareness + 4");
                HRESULT hr = set(kPerMonitorAware);
                WriteDpiLog(L"**************** SetProcessDpiAwareness :" + num(hr));
            }
        }
    } else {
        WriteDpiLog(L"IsWindows8Point1OrGreater 2222");
        if (g_setProcessDPIAware) {
            g_setProcessDPIAware();
            WriteDpiLog(L"**************** DoDPIAware SetProcessDPIAware 3");
        }
    }
}

int VLR_GetDPINew() {
    HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    HMODULE user32 = ::GetModuleHandleW(L"User32");
    if (!user32) return 96;
    int value = 0;
    if (auto getDpiForWindow = entry<GetDpiForWindowFn>(user32, "GetDpiForWindow")) {
        value = taskbar ? int(getDpiForWindow(taskbar)) : 0;
        ::OutputDebugStringW((L"1111 VLR_GetDPINew: " + num(value)).c_str());
    } else {
        win::WindowDC screen(nullptr);
        value = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        ::OutputDebugStringW((L"2222 VLR_GetDPINew: " + num(value)).c_str());
    }
    return value == 0 ? 96 : value;
}

bool IsLargeScreenFor(int workWidth, int workHeight, int dpi) {
    const int m = std::max(workWidth, workHeight);
    if (m <= 1920) return false;
    bool large = m >= 3000 || dpi > 125;
    // A work area more than twice as wide as high is a wide strip, not a large screen,
    // unless it is high enough on its own.
    if (workWidth > workHeight && workHeight < m / 2 && workHeight < 1920) large = false;
    return large;
}

bool IsLargeScreen(HWND window) {
    MeasuredDpi = VLR_GetDPINew();
    WriteDpiLog(L"GetSystemDPI: " + num(MeasuredDpi));
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (!monitor || !::GetMonitorInfoW(monitor, &mi)) return false;
    return IsLargeScreenFor(mi.rcWork.right - mi.rcWork.left, mi.rcWork.bottom - mi.rcWork.top, MeasuredDpi);
}

} // namespace vell::loader::dpi
