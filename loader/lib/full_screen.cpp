#include "loader/lib/full_screen.h"

#include "loader/lib/command_line.h"

namespace vell::loader {

bool IsFullScreenWindow(const RECT& rect, int screenWidth, int screenHeight, const std::wstring& className) {
    if (rect.left != 0 || rect.top != 0 || rect.right != screenWidth || rect.bottom != screenHeight)
        return false;
    static const wchar_t* const kExcluded[] = {L"WorkerW", L"Progman", L"TMainBox", L"TVLRDWMainForm"};
    for (const wchar_t* excluded : kExcluded)
        if (EqualsIgnoreCase(className, excluded)) return false;
    return true;
}

bool IsForegroundFullScreen() {
    try {
        HWND foreground = ::GetForegroundWindow();
        if (foreground == reinterpret_cast<HWND>(-1) || foreground == ::GetDesktopWindow()) return false;
        RECT rect{};
        if (!foreground || !::GetWindowRect(foreground, &rect)) return false;
        wchar_t name[256] = {};
        int n = ::GetClassNameW(foreground, name, 256);
        return IsFullScreenWindow(rect, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                                  std::wstring(name, n > 0 ? size_t(n) : 0));
    } catch (...) {
        return false;
    }
}

} // namespace vell::loader
