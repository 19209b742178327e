// Counts of the process's GDI objects and windows, for leak checks in tests.
// Windows answers through GetGuiResources. Wine answers 0 there, so the counts are taken
// another way: Wine accepts a GDI handle by its table index alone, which lets every live
// object of the process be found; windows are counted by walking this process's
// top-level windows and their children.
#pragma once
#include <windows.h>

namespace testgui {

inline DWORD GdiObjects() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    DWORD n = 0;
    for (UINT_PTR i = 1; i < 0x10000; ++i)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++n;
    return n;
}

inline DWORD Windows() {
    struct Walk {
        static BOOL CALLBACK child(HWND, LPARAM Count) {
            ++*reinterpret_cast<DWORD*>(Count);
            return TRUE;
        }
        static BOOL CALLBACK top(HWND Wnd, LPARAM Count) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(Wnd, &pid);
            if (pid != ::GetCurrentProcessId()) return TRUE;
            ++*reinterpret_cast<DWORD*>(Count);
            ::EnumChildWindows(Wnd, child, Count);
            return TRUE;
        }
    };
    DWORD n = 0;
    ::EnumWindows(Walk::top, reinterpret_cast<LPARAM>(&n));
    return n;
}

// User objects: GetGuiResources where it answers, else the windows.
inline DWORD UserObjects() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)) return n;
    return Windows();
}

} // namespace testgui
