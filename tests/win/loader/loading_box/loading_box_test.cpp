#include "loader/lib/dpi_awareness.h"
#include "loader/lib/loading_box_form.h"
#include "platform/image/png_image.h"
#include "rdcontrol/library.h"
#include "rdcontrol/panels/image.h"
#include "rdcontrol/labels/label.h"
#include "rdcontrol/panels/panel.h"
#include "rdcontrol/register_controls.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "rdcontrol/resource/resource.h"
#include "tests/support/system_prefs_scope.h"
#include "tests/support/resource_fixture.h"
#include "toolkit/stdctrls.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace vell;
using namespace vell::loader;

TEST(LoadingBoxText, ChosenFromArgumentTwo) {
    struct Case {
        std::u16string argument;
        std::u16string expected;
    } cases[] = {
        {u"Init", u"Launching Vellora..."},
        {u"xxinitialize", u"Launching Vellora..."},
        {u"ChangeInit", u"Launching Vellora..."}, // "Init" is looked for first
        {u"DisplayCHANGE", u"Screen changing. Reconfiguring Vellora..."},
        {u"", u""},
        {u"Other", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadingBoxText(c.argument), c.expected);
}

namespace {
struct BoxFixture : ::testing::Test {
    void SetUp() override {
        rd::StartSkinnedLibrary();
        rd::RegisterPictureFormats();
        dpi::LargeScreen = false;
    }
    void TearDown() override { tk::FreeApplication(); }
};

std::wstring classOf(HWND w) {
    wchar_t name[64] = {};
    ::GetClassNameW(w, name, 64);
    return name;
}
} // namespace

TEST_F(BoxFixture, WindowIsALayeredToolWindowThatNeverTakesTheFocus) {
    auto* box = tk::Application()->CreateForm<Tfrm_LoadingBox>();
    box->SetArgument2(u"Change");
    ASSERT_TRUE(box->pnl_Main && box->lbl_Tip && box->img_Icon && box->img_BG && box->skinStyle_Main &&
                box->applicationEvent_Main);
    HWND w = box->Handle();
    EXPECT_EQ(classOf(w), L"Tfrm_LoadingBox");
    wchar_t caption[64] = {};
    ::GetWindowTextW(w, caption, 64);
    EXPECT_STREQ(caption, L"frm_LoadingBox");
    LONG ex = ::GetWindowLongW(w, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
    EXPECT_FALSE(ex & WS_EX_APPWINDOW);
    EXPECT_EQ(::GetWindow(w, GW_OWNER), nullptr);
    EXPECT_EQ(::SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(5, 5)), HTCLIENT);
    ASSERT_NE(box->DrawBuffer(), nullptr);
    EXPECT_EQ(box->DrawBuffer()->Width(), 1);

    box->SetVisible(true);
    EXPECT_EQ(box->lbl_Tip->Caption(), u"Screen changing. Reconfiguring Vellora...");
    EXPECT_EQ(box->DrawW(), 560);
    EXPECT_EQ(box->DrawH(), 240);
    EXPECT_EQ(box->DrawBuffer()->Width(), 760);
    EXPECT_EQ(box->DrawBuffer()->Height(), 440);
    EXPECT_TRUE(::IsWindowVisible(w));
    EXPECT_NE(::GetForegroundWindow(), w);
    int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(box->Left(), (sw - 560) / 2);
    EXPECT_EQ(box->Top(), (sh - 240) / 2);

    // A message to the panel's window renders the panel into the buffer again.
    HDC dc = box->DrawBuffer()->CanvasHandle();
    ::SetPixelV(dc, 1, 1, RGB(9, 9, 9));
    ::PostMessageW(box->pnl_Main->Handle(), WM_NULL, 0, 0);
    tk::Application()->ProcessMessages();
    EXPECT_EQ(::GetPixel(dc, 1, 1), RGB(0, 0, 0));
}

TEST_F(BoxFixture, LargeScreenDoublesTheBox) {
    auto* box = tk::Application()->CreateForm<Tfrm_LoadingBox>();
    dpi::LargeScreen = true;
    ApplyLargeScreenScale(box);
    dpi::LargeScreen = false;
    EXPECT_EQ(box->Width(), 1120);
    EXPECT_EQ(box->Height(), 480);
    EXPECT_EQ(box->img_Icon->Left(), 480);
    EXPECT_EQ(box->img_Icon->Top(), 112);
    EXPECT_EQ(box->lbl_Tip->Left(), 96);
    EXPECT_EQ(box->lbl_Tip->Top(), 340);
    EXPECT_EQ(box->lbl_Tip->Width(), 930);
    EXPECT_EQ(box->lbl_Tip->Height(), 110);
    EXPECT_EQ(box->lbl_Tip->Font()->Height(), -30);
    EXPECT_EQ(box->img_BG->Width(), 1120);
    EXPECT_EQ(box->img_BG->Height(), 480);
}

TEST_F(BoxFixture, TheDescriptionGivesTheComponentsTheirValues) {
    auto* box = tk::Application()->CreateForm<Tfrm_LoadingBox>();
    EXPECT_EQ(box->ClientWidth(), 560);
    EXPECT_EQ(box->ClientHeight(), 240);
    EXPECT_EQ(box->BorderStyle(), tk::bsNone);
    EXPECT_EQ(box->Position(), tk::poScreenCenter);
    EXPECT_FALSE(box->Scaled());
    EXPECT_EQ(box->pnl_Main->Color(), tk::clNone);
    // Every control is the skinned library's own.
    EXPECT_NE(dynamic_cast<rd::TRdPanel*>(box->pnl_Main), nullptr);
    auto* bg = dynamic_cast<rd::TRdImage*>(box->img_BG);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->Align(), tk::alClient);
    EXPECT_TRUE(bg->Stretch());
    EXPECT_EQ(bg->PictureOption()->Left(), 16);
    EXPECT_EQ(bg->PictureOption()->Bottom(), 16);
    auto* icon = dynamic_cast<rd::TRdImage*>(box->img_Icon);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->AutoSize());
    auto* tip = dynamic_cast<rd::TRdLabel*>(box->lbl_Tip);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->Alignment(), tk::taCenter);
    EXPECT_TRUE(tip->WordWrap());
    EXPECT_EQ(tip->Font()->Height(), -15);
    EXPECT_EQ(tip->Font()->Name(), u"Segoe UI");
    ASSERT_NE(box->skinStyle_Main, nullptr);
    EXPECT_TRUE(box->skinStyle_Main->MainSkin());
    EXPECT_EQ(rd::MainSkinStyle(), box->skinStyle_Main);
    EXPECT_EQ(box->skinStyle_Main->RuntimePath(), u"skin");
    EXPECT_EQ(box->skinStyle_Main->SkinRccFile(), u"black.dll");
    EXPECT_EQ(box->skinStyle_Main->PublicRccFiles()->Text(), u"public.rcc\r\n");
    EXPECT_EQ(box->skinStyle_Main->DesignTop(), 48);
}

// The box's panel painted with the label showing Text: 560 x 240 pixels, row by row.
static std::vector<uint32_t> renderWithText(Tfrm_LoadingBox* Box, const std::u16string& Text) {
    Box->lbl_Tip->SetCaption(Text);
    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, 560, 240, true, false, true, false);
    Box->pnl_Main->PaintTo(png->CanvasHandle(), 0, 0);
    ::GdiFlush();
    std::vector<uint32_t> pixels(560 * 240);
    for (int y = 0; y < 240; ++y)
        std::memcpy(&pixels[static_cast<size_t>(y) * 560], png->GetScanline(y), 560 * 4);
    png->ReleaseRef();
    return pixels;
}

// Captions the box should survive: whatever the line holds, the box renders and nothing is
// drawn outside the label's area.
TEST_F(BoxFixture, BadCaptionsStayInsideTheLabel) {
    auto* box = tk::Application()->CreateForm<Tfrm_LoadingBox>();
    auto* tip = dynamic_cast<rd::TRdLabel*>(box->lbl_Tip);
    ASSERT_NE(tip, nullptr);
    const std::vector<uint32_t> empty = renderWithText(box, u"");
    const RECT label = tip->GetBoundsRect();
    std::u16string huge;
    while (huge.size() < 32 * 1024)
        huge += u"wide words wrap ";
    for (const std::u16string& caption : {std::u16string(u"&"), std::u16string(u"\r\n\r\n\n\r"), huge,
                                          std::u16string(u"Launching %"), std::u16string(u"%s%s%")}) {
        const std::vector<uint32_t> shot = renderWithText(box, caption);
        int outside = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 560; ++x)
                if (!::PtInRect(&label, POINT{x, y}) &&
                    shot[static_cast<size_t>(y) * 560 + x] != empty[static_cast<size_t>(y) * 560 + x])
                    ++outside;
        EXPECT_EQ(outside, 0) << caption.size();
    }
}

namespace {
std::vector<HWND> gAlerts;
void CALLBACK onAlert(HWINEVENTHOOK, DWORD, HWND W, LONG O, LONG C, DWORD, DWORD) {
    if (O == OBJID_CLIENT && C == CHILDID_SELF) gAlerts.push_back(W);
}

std::u16string nameOf(IAccessible* A) {
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR b = nullptr;
    if (A->get_accName(self, &b) != S_OK || !b) return u"";
    std::u16string s(reinterpret_cast<const char16_t*>(b), ::SysStringLen(b));
    ::SysFreeString(b);
    return s;
}
} // namespace

// A screen reader asks the box's window: the box is an alert named by its line of text,
// announced once when it shows, and its tree holds the text as static text where the
// label's pixels are. The box still takes no focus.
TEST_F(BoxFixture, AScreenReaderHearsTheTextOnceWhereTheLabelShowsIt) {
    ::CoInitialize(nullptr);
    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, &onAlert,
                                           ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    gAlerts.clear();
    auto* box = tk::Application()->CreateForm<Tfrm_LoadingBox>();
    box->SetArgument2(u"Init");
    HWND w = box->Handle();
    HWND focusBefore = ::GetFocus();
    box->SetVisible(true);
    box->SetVisible(false);
    box->SetVisible(true);
    tk::Application()->ProcessMessages();
    EXPECT_EQ(gAlerts, std::vector<HWND>{w});
    EXPECT_NE(::GetForegroundWindow(), w);
    EXPECT_EQ(::GetFocus(), focusBefore);

    IAccessible* acc = nullptr;
    ASSERT_EQ(
        ::AccessibleObjectFromWindow(w, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&acc)),
        S_OK);
    EXPECT_EQ(nameOf(acc), u"Launching Vellora...");
    VARIANT self, role;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    ASSERT_EQ(acc->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_ALERT);
    // Nor can a client give it the focus.
    VARIANT state;
    ASSERT_EQ(acc->get_accState(self, &state), S_OK);
    EXPECT_EQ(state.lVal & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_INVISIBLE), 0);
    EXPECT_EQ(acc->accSelect(SELFLAG_TAKEFOCUS, self), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(::GetFocus(), focusBefore);

    // The text, found the way a reader walks: by hit test at every point of the box's
    // client area until static text answers, then its place.
    POINT origin{0, 0};
    ::ClientToScreen(w, &origin);
    VARIANT hit;
    ASSERT_EQ(acc->accHitTest(origin.x + 280, origin.y + 190, &hit), S_OK);
    ASSERT_EQ(hit.vt, VT_DISPATCH);
    IAccessible* text = nullptr;
    hit.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&text));
    hit.pdispVal->Release();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(nameOf(text), u"Launching Vellora...");
    ASSERT_EQ(text->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_STATICTEXT);
    long l = 0, t = 0, cx = 0, cy = 0;
    ASSERT_EQ(text->accLocation(&l, &t, &cx, &cy, self), S_OK);
    const RECT where{l - origin.x, t - origin.y, l - origin.x + cx, t - origin.y + cy};
    EXPECT_EQ(where.left, 48);
    EXPECT_EQ(where.top, 170);
    EXPECT_EQ(cx, 465);
    EXPECT_EQ(cy, 55);

    // Every pixel the text changes in the box's picture lies in that place, and there are some.
    const std::vector<uint32_t> without = renderWithText(box, u""),
                                with = renderWithText(box, u"Launching Vellora...");
    int inside = 0, outside = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 560; ++x)
            if (with[static_cast<size_t>(y) * 560 + x] != without[static_cast<size_t>(y) * 560 + x])
                ++(::PtInRect(&where, POINT{x, y}) ? inside : outside);
    EXPECT_GT(inside, 50);
    EXPECT_EQ(outside, 0);
    text->Release();
    acc->Release();
    ::UnhookWinEvent(hook);
    ::CoUninitialize();
}

namespace {
// Relative luminance of a 0x..RRGGBB pixel, and the contrast ratio of two of them.
double luminance(uint32_t p) {
    auto lin = [](uint32_t c) {
        const double v = c / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin((p >> 16) & 0xFF) + 0.7152 * lin((p >> 8) & 0xFF) + 0.0722 * lin(p & 0xFF);
}
double contrast(uint32_t a, uint32_t b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
uint32_t sysPixel(int index) {
    const COLORREF c = ::GetSysColor(index);
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
} // namespace

// In a high-contrast scheme the box with the demo skin is an opaque solid box: every pixel
// of the layer it hands to the window manager is opaque, the system's window colour fills
// it inside a frame in the text colour (where the skin's panel picture was), and its text
// stands out from it at a contrast of 4.5:1 or more. The screen shows the same; a
// screenshot goes to loading-box-high-contrast.png in the build folder for a look.
TEST_F(BoxFixture, HighContrastShowsAnOpaqueBoxInTheSystemColours) {
    rdtest::StartModulesOnce();
    testprefs::Scope hc(testprefs::Scope::HighContrast, true);
    auto* box = tk::Application()->CreateForm<Tfrm_LoadingBox>();
    box->SetArgument2(u"Init");
    rd::TResource::SetRootPath(rdtest::DemoSkinFolder());
    rd::TResource::Register(rdtest::DemoSkinFolder() + u"public.rcc", true);
    rd::TResource::Register(rdtest::DemoSkinFolder() + u"black.dll", false);
    box->SetVisible(true);
    testprefs::Pump();

    image::TPngImage* layer = box->DrawBuffer();
    const int w = box->DrawW(), h = box->DrawH();
    auto at = [&](int x, int y) { return static_cast<const uint32_t*>(layer->GetScanline(y))[x]; };
    int seeThrough = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            seeThrough += (at(x, y) >> 24) != 0xFF;
    EXPECT_EQ(seeThrough, 0);
    const uint32_t back = sysPixel(COLOR_WINDOW);
    EXPECT_EQ(at(0, 0), sysPixel(COLOR_WINDOWTEXT));
    EXPECT_EQ(at(w - 1, h / 2), sysPixel(COLOR_WINDOWTEXT));
    EXPECT_EQ(at(8, 8), back);
    // The text: enough ink in the label, its strongest pixel well apart from the background.
    const RECT label = box->lbl_Tip->GetBoundsRect();
    int ink = 0;
    double strongest = 1;
    for (int y = label.top; y < label.bottom; ++y)
        for (int x = label.left; x < label.right; ++x)
            if (at(x, y) != back) {
                ++ink;
                strongest = std::max(strongest, contrast(at(x, y), back));
            }
    EXPECT_GT(ink, 100);
    EXPECT_GE(strongest, 4.5);

    // The screen, through the window manager.
    HDC screen = ::GetDC(nullptr);
    image::TPngImage* shot = image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false);
    ::BitBlt(shot->CanvasHandle(), 0, 0, w, h, screen, box->Left(), box->Top(), SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    ::GdiFlush();
    const uint32_t onScreen = static_cast<const uint32_t*>(shot->GetScanline(8))[8] & 0xFFFFFF;
    EXPECT_EQ(onScreen, back & 0xFFFFFF);
    for (int y = 0; y < h; ++y) // a screen capture carries no alpha: saved opaque
        for (int x = 0; x < w; ++x)
            static_cast<uint32_t*>(shot->GetScanline(y))[x] |= 0xFF000000u;
    EXPECT_NO_THROW(shot->SaveToFile(VELL_BINARY_DIR L"\\loading-box-high-contrast.png"));
    shot->ReleaseRef();
}
