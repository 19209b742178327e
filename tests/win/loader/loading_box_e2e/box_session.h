// What the end-to-end tests of the loading box share: an installed product folder, the
// language the loader is configured with, starting loaders and finding their box, and
// reading the screen where the box is.
#pragma once
#include "../loader/support.h"

#include <cstdint>
#include <string>
#include <vector>

namespace boxtest {

using loadertest::Started;

// The launching line of the extra language "Wrapping" after the product name: too long for
// one line of the box at either size.
inline constexpr char kWrappingTail[] =
    " is starting its desktop layout, its boxes and everything that belongs to them, which takes a moment...";
// The same line as the box shows it (UTF-8).
inline std::string WrappingLine() {
    return std::string("Vellora") + kWrappingTail;
}

// A product folder laid out like an installation, made once per test program:
// VellLoading.exe, webres.dll, skin\ with the packages and Language\ with the language
// files (plus the extra ones the tests add).
const std::wstring& ProductFolder();
// The same installation without the large skin package skin\black2.dll.
const std::wstring& ProductFolderWithoutLargeSkin();

// Names the language in the product data folder's Config.ini for as long as it lives
// (empty: no Config.ini); the previous file comes back afterwards.
class ConfiguredLanguage {
  public:
    explicit ConfiguredLanguage(const std::wstring& language);
    ~ConfiguredLanguage();
    ConfiguredLanguage(const ConfiguredLanguage&) = delete;
    ConfiguredLanguage& operator=(const ConfiguredLanguage&) = delete;

  private:
    std::wstring path_;
    std::string saved_;
    bool hadFile_ = false;
};

// Top-level windows of class "Tfrm_LoadingBox" and caption "frm_LoadingBox".
std::vector<HWND> BoxWindows();
DWORD ProcessOf(HWND window);
// Visible top-level windows of a process that would get a taskbar button.
std::vector<HWND> TaskbarWindowsOf(DWORD pid);

// Handles this thread's messages for about `ms` milliseconds.
void PumpFor(DWORD ms);

// A window of this test program with a solid background, shown and made the foreground
// window.
class OwnWindow {
  public:
    OwnWindow(const wchar_t* cls, DWORD style, const RECT& r, int stockBrush = GRAY_BRUSH);
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND get() const { return wnd_; }

  private:
    HWND wnd_ = nullptr;
};

// One loader process started from the product folder with the given arguments.
class LoaderRun {
  public:
    explicit LoaderRun(const std::wstring& arguments, const std::wstring& folder = ProductFolder());
    ~LoaderRun();
    LoaderRun(const LoaderRun&) = delete;
    LoaderRun& operator=(const LoaderRun&) = delete;

    // Waits until the process shows its box; null when it ends or the time runs out.
    HWND WaitForBox(DWORD timeoutMs = 60000);
    // Asks the box to close and waits for the process: its exit code, ~0u on time-out.
    DWORD Close();
    // Waits for the process to end on its own: its exit code, ~0u on time-out.
    DWORD Finish(DWORD timeoutMs = 60000);
    bool Running() const;
    DWORD Pid() const { return process_.pid; }
    HWND Box() const { return box_; }

  private:
    Started process_;
    HWND box_ = nullptr;
};

// Screen pixels of a rectangle as 0x00RRGGBB.
struct Shot {
    RECT rect{};
    std::vector<uint32_t> pixels;
    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }
    // At screen coordinates inside the rectangle.
    uint32_t At(int x, int y) const;
};
Shot Capture(const RECT& rect);
// Captures until two captures in a row agree, so that the window manager has caught up.
Shot SettledCapture(const RECT& rect);

// Shows the box for `arguments`, returns the settled screen of its window rectangle (and
// the rectangle), then closes the box and checks the exit code 0. Empty without a box.
Shot ShowAndCapture(const std::wstring& arguments, RECT* where = nullptr,
                    const std::wstring& folder = ProductFolder());

// The box with an empty text line (no argument 2, no Config.ini): its screen and place.
Shot ShowEmptyLine(RECT* where);

// Shows the box for argument 2 with `language` configured (empty: no Config.ini) and
// returns its screen. Checks that it lies at `box`, as the empty line's box, and that no
// pixel outside `label` differs from `empty` by more than `threshold`.
Shot ShowLine(const std::string& argument2, const std::wstring& language, const Shot& empty, const RECT& box,
              const RECT& label, int threshold);

// Checks the demo skin's panel picture and icon in a shot of a box at `box`, drawn at
// `scale` times its size (skin_test.cpp).
void ExpectSkinPictures(const Shot& shot, const RECT& box, int scale);

// Bounds (screen coordinates) of the pixels that differ between two shots of the same
// rectangle by more than `threshold` in some channel, inside `area`; empty when none.
RECT DifferenceBounds(const Shot& a, const Shot& b, const RECT& area, int threshold = 40);

// Ink of each text line in `area`: the pixels that differ as for DifferenceBounds, one
// rectangle per band of rows; bands closer than `minGap` rows (dots, accents) are one line.
std::vector<RECT> InkLines(const Shot& a, const Shot& b, const RECT& area, int minGap = 4,
                           int threshold = 40);

// Checks that the brightest pixels of the ink in `ink` show the skin's text colour
// "text.cl_txt_hot" and that no pixel is tinted otherwise (skin_test.cpp).
void ExpectSkinTextColour(const Shot& shot, const RECT& ink);

// Bounds DrawTextW gives `text` in a label `width` pixels wide with the box's text font
// (Segoe UI, height `fontHeight`), centred and word-wrapped.
RECT LaidOutText(const std::wstring& text, int width, int fontHeight);

// What DrawTextW itself draws for `text` with the same request, white on black from the
// label's top left: which pixels are ink (`ink`, width x height) and their bounds.
struct TextMask {
    int width = 0, height = 0;
    std::vector<uint8_t> ink; // 1 where a pixel is covered by at least a fifth
    RECT bounds{};
};
TextMask PlatformText(const std::wstring& text, int width, int fontHeight);

// How well the ink on the screen (pixels of `shot` that differ from `empty` inside `ink`)
// matches the platform's drawing of the same text placed on it: shared ink pixels over
// all ink pixels of either, aligned at the top left of their bounds (1 = the same glyphs
// in the same order).
double InkAgreement(const Shot& empty, const Shot& shot, const RECT& ink, const TextMask& platform);

std::string Describe(const RECT& r);

} // namespace boxtest
