// Owned Win32 handles. One template, one line per kind; a handle is released exactly once,
// the way it was obtained.
#pragma once
#include <windows.h>

#include <utility>

namespace vell::win {

template <typename H, typename Traits> class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return Traits::valid(h_); }
    H release() { return std::exchange(h_, Traits::invalid()); }
    void reset(H h = Traits::invalid()) {
        H old = std::exchange(h_, h);
        if (Traits::valid(old)) Traits::close(old);
    }

  private:
    H h_ = Traits::invalid();
};

template <typename H, auto Close, H Invalid = H{}> struct SimpleTraits {
    static H invalid() { return Invalid; }
    static bool valid(H h) { return h != Invalid; }
    static void close(H h) { Close(h); }
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};

inline void deleteGdiObject(HGDIOBJ h) {
    ::DeleteObject(h);
}

using UniqueBitmap = UniqueHandle<HBITMAP, SimpleTraits<HBITMAP, deleteGdiObject>>;
using UniqueFont = UniqueHandle<HFONT, SimpleTraits<HFONT, deleteGdiObject>>;
using UniqueBrush = UniqueHandle<HBRUSH, SimpleTraits<HBRUSH, deleteGdiObject>>;
using UniquePen = UniqueHandle<HPEN, SimpleTraits<HPEN, deleteGdiObject>>;
using UniqueRegion = UniqueHandle<HRGN, SimpleTraits<HRGN, deleteGdiObject>>;
using UniquePalette = UniqueHandle<HPALETTE, SimpleTraits<HPALETTE, deleteGdiObject>>;
using UniqueModule = UniqueHandle<HMODULE, SimpleTraits<HMODULE, ::FreeLibrary>>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>; // events, mutexes, files, threads
using UniqueFindHandle = UniqueHandle<HANDLE, FindHandleTraits>;     // FindFirstFile searches
using UniqueMemoryDC = UniqueHandle<HDC, SimpleTraits<HDC, ::DeleteDC>>;

// A DC obtained with GetDC/GetWindowDC is given back with ReleaseDC and its window.
class WindowDC {
  public:
    explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(::GetDC(wnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint/EndPaint as a scope.
class PaintDC {
  public:
    explicit PaintDC(HWND wnd) : wnd_(wnd) { dc_ = ::BeginPaint(wnd, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { ::EndPaint(wnd_, &ps_); }
    HDC get() const { return dc_; }
    const PAINTSTRUCT& info() const { return ps_; }

  private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// An object selected into a DC is put back when the guard leaves scope.
class SelectObjectGuard {
  public:
    SelectObjectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    SelectObjectGuard(const SelectObjectGuard&) = delete;
    SelectObjectGuard& operator=(const SelectObjectGuard&) = delete;
    ~SelectObjectGuard() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC / RestoreDC as a scope: whatever is changed on the DC (clip, origins, selected
// objects) inside the scope is put back when it ends, thrown out of or not.
class SavedDC {
  public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(dc ? ::SaveDC(dc) : 0) {}
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;
    ~SavedDC() {
        if (saved_) ::RestoreDC(dc_, saved_);
    }
    HDC get() const { return dc_; }

  private:
    HDC dc_;
    int saved_;
};

} // namespace vell::win
