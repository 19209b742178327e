// The system's display preferences as the toolkit reads them (read again when the system
// announces a change, forms told), and what skinned controls draw in a high-contrast
// scheme: the system's colours over a solid background, no skin colours, frames for
// stretched skin pictures, pictures at their own size kept.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "platform/text/canvas_font.h"
#include "rdcontrol/labels/html_label.h"
#include "rdcontrol/panels/image.h"
#include "rdcontrol/buttons/image_button.h"
#include "rdcontrol/labels/label.h"
#include "tests/support/system_prefs_scope.h"
#include "toolkit/forms.h"
#include "toolkit/hooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

using namespace vell;

namespace {

// Counts the skin-change notifications a control hears.
struct ColourChangeCounter : tk::TMessageHook {
    int Count = 0;
    void AfterMessage(tk::TControl*, tk::TMessage& Message) override {
        Count += Message.Msg == tk::CM_SYSCOLORCHANGE;
    }
};

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00C000; // 0xAARRGGBB

std::unique_ptr<image::TGraphic> solid(int w, int h, uint32_t argb) {
    auto* png = image::TPngImage::CreateBlank(6, 8, w, h, false, false, true, false);
    png->SetAlphaPreMultiplied(true);
    png->FillRect(RECT{0, 0, w, h}, argb);
    return std::unique_ptr<image::TGraphic>(png);
}

// A COLORREF (0x00BBGGRR) as the 0xAARRGGBB of an opaque pixel.
uint32_t pixelOf(COLORREF c) {
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
uint32_t sysPixel(int index) {
    return pixelOf(::GetSysColor(index));
}

int distance(uint32_t a, uint32_t b) {
    int d = 0;
    for (int shift = 0; shift < 32; shift += 8)
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

// A control painted into a 32-bit image filled with a skin-like colour first.
struct Shot {
    int w, h;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    // The pixel nearest to Colour anywhere in the image, and how near it is.
    int nearest(uint32_t colour) const {
        int best = 256;
        for (uint32_t p : px)
            best = std::min(best, distance(p, colour));
        return best;
    }
};

Shot paint(rd::TRdGraphicControl& c) {
    auto* png = image::TPngImage::CreateBlank(6, 8, c.Width(), c.Height(), true, false, true, false);
    png->SetAlphaPreMultiplied(true);
    png->FillRect(RECT{0, 0, c.Width(), c.Height()}, kGreen);
    c.DrawTo(png->CanvasHandle(), 0, 0);
    ::GdiFlush();
    Shot s{c.Width(), c.Height(), {}};
    for (int y = 0; y < s.h; ++y) {
        const auto* row = static_cast<const uint32_t*>(png->GetScanline(y));
        s.px.insert(s.px.end(), row, row + s.w);
    }
    png->ReleaseRef();
    return s;
}

void startEngine() {
    static bool engine = (image::StartImageEngine(), true);
    (void)engine;
}

template <class T> std::unique_ptr<T> control(int w, int h) {
    auto c = std::make_unique<T>(nullptr);
    c->Font()->SetName(u"Tahoma");
    c->Font()->SetHeight(-16);
    c->Font()->SetStyle(tk::TFontStyles{tk::fsBold});
    c->SetBounds(0, 0, w, h);
    return c;
}

} // namespace

// The real setting, switched with its announcement: the application's window hears it, the
// preference is read again and every form is told; switched back, the same again.
TEST(SystemPrefs, AnimationSettingIsReadAgainWhenTheSystemAnnouncesIt) {
    BOOL was = TRUE;
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &was, 0));
    auto* form = new tk::TForm(tk::Application());
    form->HandleNeeded();
    ColourChangeCounter counter;
    form->AddMessageHook(&counter);
    EXPECT_EQ(tk::ClientAreaAnimation(), was != FALSE);
    for (bool on : {!was, was != FALSE}) {
        const int before = counter.Count;
        ASSERT_TRUE(::SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0,
                                            reinterpret_cast<void*>(static_cast<UINT_PTR>(on)),
                                            SPIF_UPDATEINIFILE | SPIF_SENDCHANGE));
        testprefs::Pump();
        EXPECT_EQ(tk::ClientAreaAnimation(), on);
        EXPECT_GE(counter.Count, before + 1) << on;
    }
    // An announcement that changes nothing tells nobody.
    const int before = counter.Count;
    EXPECT_FALSE(tk::RefreshSystemPrefs());
    EXPECT_EQ(counter.Count, before);
    form->RemoveMessageHook(&counter);
    tk::FreeApplication();
}

TEST(SystemPrefs, HighContrastSwitchTellsEveryForm) {
    auto* form = new tk::TForm(tk::Application());
    ColourChangeCounter counter;
    form->AddMessageHook(&counter);
    ASSERT_FALSE(tk::HighContrast());
    {
        testprefs::Scope on(testprefs::Scope::HighContrast, true);
        EXPECT_TRUE(tk::HighContrast());
        EXPECT_GE(counter.Count, 1);
    }
    EXPECT_FALSE(tk::HighContrast());
    EXPECT_GE(counter.Count, 2);
    form->RemoveMessageHook(&counter);
    tk::FreeApplication();
}

// Each control in a high-contrast scheme: the background it stands on, the colour its text
// or frame is drawn in, and no trace of the skin's colours; outside the scheme the same
// control shows the skin's colour (so the case does test something).
TEST(HighContrastPaint, SystemColoursOverASolidBackground) {
    startEngine();
    struct Case {
        const char* name;
        std::function<std::unique_ptr<rd::TRdGraphicControl>()> make;
        int back, ink; // system colour numbers; the background is read near the bottom right
        bool frame;    // the ink colour at (0, 0)
        bool skinGone; // no red left (a picture at its own size is content and stays)
    };
    const Case cases[] = {
        {"label with a shadow",
         [] {
             auto l = control<rd::TRdLabel>(220, 40);
             l->SetCaption(u"Readable words");
             l->Font()->SetColor(clRed);
             l->FontEx()->ShadowGlow()->SetEnabled(true);
             return l;
         },
         COLOR_WINDOW, COLOR_WINDOWTEXT, false, true},
        {"disabled label",
         [] {
             auto l = control<rd::TRdLabel>(220, 40);
             l->SetCaption(u"Unavailable words");
             l->SetFontDisabledColor(clRed);
             l->SetEnabled(false);
             return l;
         },
         COLOR_WINDOW, COLOR_GRAYTEXT, false, true},
        {"hovered label",
         [] {
             auto l = control<rd::TRdLabel>(220, 40);
             l->SetCaption(u"Hot words");
             l->Font()->SetColor(clRed);
             l->SetFontHoverColor(clRed);
             l->Perform(tk::CM_MOUSEENTER);
             return l;
         },
         COLOR_WINDOW, COLOR_HIGHLIGHT, false, true},
        {"HTML label's link",
         [] {
             auto l = control<rd::TRdHtmLabel>(220, 40);
             l->LinkItems()->Add()->Font()->SetColor(clRed);
             l->SetCaption(u"<A HREF=x>a link only</A>");
             return l;
         },
         COLOR_WINDOW, COLOR_HIGHLIGHT, false, true},
        {"HTML label's coloured run",
         [] {
             auto l = control<rd::TRdHtmLabel>(220, 40);
             l->SetCaption(u"<FONT COLOR=clRed BGCOLOR=clRed>red words</FONT>");
             return l;
         },
         COLOR_WINDOW, COLOR_WINDOWTEXT, false, true},
        {"image button",
         [] {
             auto b = control<rd::TRdImageButton>(160, 40);
             b->ImageNormal()->SetGraphic(solid(20, 20, kRed));
             b->SetCaption(u"Press");
             b->Font()->SetColor(clRed);
             return b;
         },
         COLOR_BTNFACE, COLOR_BTNTEXT, true, true},
        {"stretched skin picture",
         [] {
             auto i = control<rd::TRdImage>(120, 60);
             i->Picture()->SetGraphic(solid(12, 12, kRed));
             i->SetStretch(true);
             return i;
         },
         COLOR_WINDOW, COLOR_WINDOWTEXT, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto ctl = c.make();
        EXPECT_LE(paint(*ctl).nearest(0xFFFF0000), 40) << "the skin's own colour shows outside high contrast";
        testprefs::Scope hc(testprefs::Scope::HighContrast, true);
        ctl->Invalidate();
        const Shot s = paint(*ctl);
        EXPECT_EQ(s.at(s.w - 3, s.h - 3), sysPixel(c.back));
        EXPECT_LE(s.nearest(sysPixel(c.ink)), 8);
        if (c.frame) EXPECT_EQ(s.at(0, 0), sysPixel(c.ink));
        if (c.skinGone) EXPECT_GT(s.nearest(0xFFFF0000), 60);
        EXPECT_GT(s.nearest(kGreen), 60) << "something shows through";
    }
}

TEST(HighContrastPaint, APictureAtItsOwnSizeIsContentAndStays) {
    startEngine();
    auto icon = control<rd::TRdImage>(40, 40);
    icon->Picture()->SetGraphic(solid(40, 40, kRed));
    testprefs::Scope hc(testprefs::Scope::HighContrast, true);
    EXPECT_EQ(paint(*icon).at(20, 20), kRed);
}
