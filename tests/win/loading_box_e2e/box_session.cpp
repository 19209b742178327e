#include "box_session.h"

#include "platform/win/environment.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace boxtest {

using namespace loadertest;

namespace {

void copyOrFail(const std::wstring& from, const std::wstring& to) {
    EXPECT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << "cannot copy " << WideToUtf8(from);
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    ::CloseHandle(f);
    return ok;
}

std::wstring makeProductFolder(const std::wstring& name, bool largeSkin) {
    const std::wstring dir = FreshFolder(name);
    for (const wchar_t* f : {L"VellLoading.exe", L"webres.dll"})
        copyOrFail(ProductFile(f), dir + f);
    ::CreateDirectoryW((dir + L"skin").c_str(), nullptr);
    for (const wchar_t* f : {L"public.rcc", L"black.dll", L"black2.dll"})
        if (largeSkin || std::wstring(f) != L"black2.dll")
            copyOrFail(ProductFile(std::wstring(L"skin\\") + f), dir + L"skin\\" + f);
    ::CreateDirectoryW((dir + L"Language").c_str(), nullptr);
    const std::wstring languages = L"" VELL_SOURCE_DIR L"\\languages\\";
    for (const wchar_t* f : {L"English", L"French", L"German", L"Arabic", L"Hebrew"})
        copyOrFail(languages + f + L".lng", dir + L"Language\\" + f + L".lng");
    // A language whose launching line is too long for one line of the box.
    EXPECT_TRUE(writeFile(dir + L"Language\\Wrapping.lng",
                          "\xEF\xBB\xBF[Main]\r\nDisplayName=Wrapping\r\n[VLR_MainBoxLan]\r\n"
                          "Tip_Launching=%s is starting its desktop layout, its boxes and everything that "
                          "belongs to them, which takes a moment...\r\n"));
    // Lines with the product name twice and not at all.
    EXPECT_TRUE(
        writeFile(dir + L"Language\\Twice.lng", "[VLR_MainBoxLan]\r\nTip_Launching=%s starts %s\r\n"));
    EXPECT_TRUE(
        writeFile(dir + L"Language\\Plain.lng", "[VLR_MainBoxLan]\r\nTip_DisplayChanging=Please wait\r\n"));
    return dir;
}

} // namespace

const std::wstring& ProductFolder() {
    static const std::wstring dir = makeProductFolder(L"product", true);
    return dir;
}

const std::wstring& ProductFolderWithoutLargeSkin() {
    static const std::wstring dir = makeProductFolder(L"product_without_large_skin", false);
    return dir;
}

ConfiguredLanguage::ConfiguredLanguage(const std::wstring& language) {
    const std::wstring folder = vell::env::GetProductDataFolder();
    ::CreateDirectoryW(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    path_ = folder + L"Config.ini";
    hadFile_ = Exists(path_);
    if (hadFile_) saved_ = ReadBytes(path_);
    if (language.empty())
        ::DeleteFileW(path_.c_str());
    else
        EXPECT_TRUE(writeFile(path_, "[Main]\r\nLanguage=" + WideToUtf8(language) + "\r\n"));
}

ConfiguredLanguage::~ConfiguredLanguage() {
    if (hadFile_)
        writeFile(path_, saved_);
    else
        ::DeleteFileW(path_.c_str());
}

namespace {

std::wstring classOf(HWND w) {
    wchar_t name[256] = {};
    ::GetClassNameW(w, name, 256);
    return name;
}

std::wstring captionOf(HWND w) {
    wchar_t text[256] = {};
    ::GetWindowTextW(w, text, 256);
    return text;
}

BOOL CALLBACK collectBox(HWND w, LPARAM p) {
    if (classOf(w) == L"Tfrm_LoadingBox" && captionOf(w) == L"frm_LoadingBox")
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

struct TaskbarSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTaskbarWindow(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<TaskbarSearch*>(p);
    if (ProcessOf(w) != s->pid || !::IsWindowVisible(w)) return TRUE;
    const LONG ex = ::GetWindowLongW(w, GWL_EXSTYLE);
    const bool owned = ::GetWindow(w, GW_OWNER) != nullptr;
    if ((ex & WS_EX_APPWINDOW) || (!owned && !(ex & WS_EX_TOOLWINDOW))) s->found.push_back(w);
    return TRUE;
}

} // namespace

std::vector<HWND> BoxWindows() {
    std::vector<HWND> found;
    ::EnumWindows(collectBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::vector<HWND> TaskbarWindowsOf(DWORD pid) {
    TaskbarSearch search{pid, {}};
    ::EnumWindows(collectTaskbarWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    } while (::GetTickCount() - start < ms);
}

OwnWindow::OwnWindow(const wchar_t* cls, DWORD style, const RECT& r, int stockBrush) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = cls;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(stockBrush));
    ::RegisterClassW(&wc);
    wnd_ = ::CreateWindowExW(0, cls, L"e2e", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ::ShowWindow(wnd_, SW_SHOW);
    ::SetForegroundWindow(wnd_);
    for (int i = 0; i < 100 && ::GetForegroundWindow() != wnd_; ++i)
        PumpFor(20);
}

OwnWindow::~OwnWindow() {
    ::DestroyWindow(wnd_);
}

LoaderRun::LoaderRun(const std::wstring& arguments, const std::wstring& folder) {
    process_ = Start(L"\"" + folder + L"VellLoading.exe\" " + arguments);
}

LoaderRun::~LoaderRun() {
    if (Running()) Close();
    if (process_.process) loadertest::Finish(process_, 10000);
}

bool LoaderRun::Running() const {
    return process_.process && ::WaitForSingleObject(process_.process, 0) == WAIT_TIMEOUT;
}

HWND LoaderRun::WaitForBox(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!box_ && ::GetTickCount() - start < timeoutMs) {
        for (HWND w : BoxWindows())
            if (ProcessOf(w) == process_.pid && ::IsWindowVisible(w)) box_ = w;
        if (!box_) {
            if (!Running()) break;
            PumpFor(20);
        }
    }
    return box_;
}

DWORD LoaderRun::Close() {
    HWND target = box_;
    if (!target)
        for (HWND w : BoxWindows())
            if (ProcessOf(w) == process_.pid) target = w;
    if (target) ::PostMessageW(target, WM_CLOSE, 0, 0);
    return Finish(30000);
}

DWORD LoaderRun::Finish(DWORD timeoutMs) {
    if (!process_.process) return ~0u;
    const DWORD start = ::GetTickCount();
    while (Running() && ::GetTickCount() - start < timeoutMs)
        PumpFor(20);
    return loadertest::Finish(process_, 0);
}

uint32_t Shot::At(int x, int y) const {
    x -= rect.left;
    y -= rect.top;
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0xFFFFFFFFu;
    return pixels[size_t(y) * size_t(Width()) + size_t(x)] & 0xFFFFFFu;
}

Shot Capture(const RECT& rect) {
    Shot shot;
    shot.rect = rect;
    const int w = shot.Width(), h = shot.Height();
    shot.pixels.assign(size_t(w) * size_t(h), 0);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && bits) {
        HGDIOBJ old = ::SelectObject(mem, dib);
        ::BitBlt(mem, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
        ::GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        shot.pixels.assign(p, p + size_t(w) * size_t(h));
        ::SelectObject(mem, old);
        ::DeleteObject(dib);
    }
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return shot;
}

Shot SettledCapture(const RECT& rect) {
    Shot last = Capture(rect);
    for (int i = 0; i < 50; ++i) {
        PumpFor(100);
        Shot next = Capture(rect);
        if (next.pixels == last.pixels) return next;
        last = std::move(next);
    }
    return last;
}

Shot ShowAndCapture(const std::wstring& arguments, RECT* where, const std::wstring& folder) {
    LoaderRun run(arguments, folder);
    HWND box = run.WaitForBox();
    EXPECT_NE(box, nullptr) << "no box for " << WideToUtf8(arguments);
    if (!box) return {};
    RECT r{};
    ::GetWindowRect(box, &r);
    if (where) *where = r;
    Shot shot = SettledCapture(r);
    EXPECT_EQ(run.Close(), 0u) << "a close request ends the loader with exit code 0";
    return shot;
}

RECT DifferenceBounds(const Shot& a, const Shot& b, const RECT& area, int threshold) {
    RECT r{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const uint32_t p = a.At(x, y), q = b.At(x, y);
            bool differs = false;
            for (int shift = 0; shift < 24; shift += 8)
                differs |= std::abs(int((p >> shift) & 255) - int((q >> shift) & 255)) > threshold;
            if (!differs) continue;
            r.left = std::min<LONG>(r.left, x);
            r.top = std::min<LONG>(r.top, y);
            r.right = std::max<LONG>(r.right, x + 1);
            r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    if (r.left == LONG_MAX) return RECT{};
    return r;
}

RECT LaidOutText(const std::wstring& text, int width, int fontHeight) {
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HFONT font =
        ::CreateFontW(fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Segoe UI");
    HGDIOBJ old = ::SelectObject(mem, font);
    RECT r{0, 0, width, 0};
    ::DrawTextW(mem, text.c_str(), int(text.size()), &r,
                DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS);
    ::SelectObject(mem, old);
    ::DeleteObject(font);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return r;
}

RECT DrawnText(const std::wstring& text, int width, int fontHeight) {
    const int height = 8 * -fontHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC mem = ::CreateCompatibleDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT font =
        ::CreateFontW(fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Segoe UI");
    HGDIOBJ oldBitmap = ::SelectObject(mem, dib);
    HGDIOBJ oldFont = ::SelectObject(mem, font);
    ::SetBkMode(mem, TRANSPARENT);
    ::SetTextColor(mem, RGB(255, 255, 255));
    RECT r{0, 0, width, height};
    ::DrawTextW(mem, text.c_str(), int(text.size()), &r, DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS);
    ::GdiFlush();
    RECT ink{};
    const auto* px = static_cast<const DWORD*>(bits);
    for (int y = 0; px && y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (px[size_t(y) * width + x] & 0xFFFFFF) {
                const RECT one{x, y, x + 1, y + 1};
                ::UnionRect(&ink, &ink, &one);
            }
    ::SelectObject(mem, oldFont);
    ::SelectObject(mem, oldBitmap);
    ::DeleteObject(font);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    return ink;
}

std::string Describe(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%ld,%ld)-(%ld,%ld) %ldx%ld", long(r.left), long(r.top), long(r.right),
                  long(r.bottom), long(r.right - r.left), long(r.bottom - r.top));
    return buf;
}

} // namespace boxtest
