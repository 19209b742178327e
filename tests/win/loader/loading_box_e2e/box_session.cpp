#include "box_session.h"

#include "platform/win/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
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
                          std::string("\xEF\xBB\xBF[Main]\r\nDisplayName=Wrapping\r\n[VLR_MainBoxLan]\r\n"
                                      "Tip_Launching=%s") +
                              kWrappingTail + "\r\n"));
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

namespace {

bool differs(const Shot& a, const Shot& b, int x, int y, int threshold) {
    const uint32_t p = a.At(x, y), q = b.At(x, y);
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((p >> shift) & 255) - int((q >> shift) & 255)) > threshold) return true;
    return false;
}

} // namespace

RECT DifferenceBounds(const Shot& a, const Shot& b, const RECT& area, int threshold) {
    RECT r{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            if (!differs(a, b, x, y, threshold)) continue;
            r.left = std::min<LONG>(r.left, x);
            r.top = std::min<LONG>(r.top, y);
            r.right = std::max<LONG>(r.right, x + 1);
            r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    if (r.left == LONG_MAX) return RECT{};
    return r;
}

Shot ShowEmptyLine(RECT* where) {
    ConfiguredLanguage english(L"");
    return ShowAndCapture(L"VLR", where);
}

Shot ShowLine(const std::string& argument2, const std::wstring& language, const Shot& empty, const RECT& box,
              const RECT& label, int threshold) {
    ConfiguredLanguage configured(language);
    RECT where{};
    Shot shot = ShowAndCapture(L"VLR " + Utf8ToWide(argument2), &where);
    if (shot.pixels.empty()) return shot;
    EXPECT_TRUE(EqualRect(&where, &box)) << Describe(where);
    const RECT changed = DifferenceBounds(empty, shot, box, threshold);
    RECT inLabel{};
    IntersectRect(&inLabel, &changed, &label);
    EXPECT_TRUE(EqualRect(&inLabel, &changed))
        << "pixels outside the text line changed: " << Describe(changed);
    return shot;
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

TextMask PlatformText(const std::wstring& text, int width, int fontHeight) {
    TextMask mask;
    mask.width = width;
    mask.height = 8 * -fontHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -mask.height;
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
    RECT r{0, 0, width, mask.height};
    ::DrawTextW(mem, text.c_str(), int(text.size()), &r, DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS);
    ::GdiFlush();
    mask.ink.assign(size_t(width) * size_t(mask.height), 0);
    const auto* px = static_cast<const DWORD*>(bits);
    for (int y = 0; px && y < mask.height; ++y)
        for (int x = 0; x < width; ++x) {
            const DWORD p = px[size_t(y) * width + x];
            if (p & 0xFFFFFF) {
                const RECT one{x, y, x + 1, y + 1};
                ::UnionRect(&mask.bounds, &mask.bounds, &one);
            }
            if (std::max({p & 255, (p >> 8) & 255, (p >> 16) & 255}) >= 51)
                mask.ink[size_t(y) * width + x] = 1;
        }
    ::SelectObject(mem, oldFont);
    ::SelectObject(mem, oldBitmap);
    ::DeleteObject(font);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    return mask;
}

std::vector<RECT> InkLines(const Shot& a, const Shot& b, const RECT& area, int minGap, int threshold) {
    std::vector<RECT> lines;
    int gap = minGap;
    for (int y = area.top; y < area.bottom; ++y) {
        RECT row{LONG_MAX, y, LONG_MIN, y + 1};
        for (int x = area.left; x < area.right; ++x)
            if (differs(a, b, x, y, threshold)) {
                row.left = std::min<LONG>(row.left, x);
                row.right = x + 1;
            }
        if (row.left == LONG_MAX) {
            ++gap;
            continue;
        }
        if (gap >= minGap || lines.empty())
            lines.push_back(row);
        else
            ::UnionRect(&lines.back(), &lines.back(), &row);
        gap = 0;
    }
    return lines;
}

double InkAgreement(const Shot& empty, const Shot& shot, const RECT& ink, const TextMask& platform) {
    const int w = std::max<int>(ink.right - ink.left, platform.bounds.right - platform.bounds.left);
    const int h = std::max<int>(ink.bottom - ink.top, platform.bounds.bottom - platform.bounds.top);
    int both = 0, either = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool onScreen = x < ink.right - ink.left && y < ink.bottom - ink.top &&
                                  differs(empty, shot, ink.left + x, ink.top + y, 40);
            const int px = platform.bounds.left + x, py = platform.bounds.top + y;
            const bool drawn =
                px < platform.width && py < platform.height && platform.ink[size_t(py) * platform.width + px];
            both += onScreen && drawn;
            either += onScreen || drawn;
        }
    return either ? double(both) / either : 0;
}

std::string Describe(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%ld,%ld)-(%ld,%ld) %ldx%ld", long(r.left), long(r.top), long(r.right),
                  long(r.bottom), long(r.right - r.left), long(r.bottom - r.top));
    return buf;
}

} // namespace boxtest
