// The image button without a window: the background picture each state draws, the events a
// press and release raise (check box, icon, abort), the hover cross-fade's frames read from
// the draw buffer with the timer driven by hand, the busy rotation, the click mask, and
// destruction while its timers run.
#include "platform/image/engine_startup.h"
#include "platform/image/png_image.h"
#include "rdcontrol/buttons/image_button.h"
#include "tests/support/gui_handles.h"
#include "tests/support/system_prefs_scope.h"

#include <gtest/gtest.h>

#include <string>

using namespace vell;
using rd::TRdImageButton;

namespace {

// An opaque picture of one colour (0xAARRGGBB), or with alpha premultiplied.
std::unique_ptr<image::TGraphic> solid(int w, int h, uint32_t argb) {
    auto* png = image::TPngImage::CreateBlank(6, 8, w, h, false, false, true, false);
    png->SetAlphaPreMultiplied(true);
    png->FillRect(RECT{0, 0, w, h}, argb);
    return std::unique_ptr<image::TGraphic>(png);
}

void setPicture(tk::TPicture* P, int w, int h, uint32_t argb) {
    P->SetGraphic(solid(w, h, argb));
}

struct Bgra {
    int b, g, r, a;
};

// A 32-bit image the control paints into.
struct Target {
    image::TPngImage* png;
    Target(int w, int h) : png(image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false)) {
        png->SetAlphaPreMultiplied(true);
    }
    ~Target() { png->ReleaseRef(); }
    Bgra at(int x, int y) {
        ::GdiFlush();
        const auto* p = static_cast<const uint8_t*>(png->GetScanline(y)) + x * 4;
        return Bgra{p[0], p[1], p[2], p[3]};
    }
};

Bgra pixelOf(image::TPngImage* png, int x, int y) {
    const auto* p = static_cast<const uint8_t*>(png->GetScanline(y)) + x * 4;
    return Bgra{p[0], p[1], p[2], p[3]};
}

struct Button {
    TRdImageButton b{nullptr};
    std::string events;
    Button() {
        static bool engine = (image::StartImageEngine(), true);
        (void)engine;
        b.Font()->SetName(u"Tahoma");
        b.Font()->SetHeight(-13);
        b.SetBounds(0, 0, 200, 40);
        auto log = [this](const char* name) {
            return [this, name](tk::TObject*) { events += std::string(name) + " "; };
        };
        b.OnClick = log("click");
        b.IconOnClick = log("icon");
        b.CheckBoxBeforeClick = log("before");
        b.CheckBoxOnClick = log("box");
        b.OnCheckedChanged = log("checked");
    }
    Bgra paint(int x, int y) {
        Target t(b.Width(), b.Height());
        b.DrawTo(t.png->CanvasHandle(), 0, 0);
        return t.at(x, y);
    }
    void click(int x, int y) {
        b.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        b.Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void enter() { b.Perform(tk::CM_MOUSEENTER); }
    void leave() { b.Perform(tk::CM_MOUSELEAVE); }
};

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kGrey = 0xFF808080,
                   kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kYellow = 0xFFFFFF00;

Bgra bgra(uint32_t argb) {
    return Bgra{int(argb & 255), int((argb >> 8) & 255), int((argb >> 16) & 255), int(argb >> 24)};
}
::testing::AssertionResult sameColour(Bgra got, Bgra want, int tol = 2) {
    if (std::abs(got.b - want.b) <= tol && std::abs(got.g - want.g) <= tol &&
        std::abs(got.r - want.r) <= tol && std::abs(got.a - want.a) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << got.b << "," << got.g << "," << got.r << "," << got.a << " want " << want.b << ","
           << want.g << "," << want.r << "," << want.a;
}

} // namespace

TEST(RdImageButton, EachStateDrawsItsPictureOrFallsBackToTheNormalOne) {
    enum Has { normal = 1, over = 2, down = 4, disabled = 8, selected = 16, expand = 32 };
    struct Case {
        const char* name;
        int pictures;
        std::function<void(Button&)> state;
        uint32_t expected; // 0: nothing drawn
    };
    const int all = normal | over | down | disabled | selected | expand;
    const Case cases[] = {
        {"normal", all, [](Button&) {}, kRed},
        {"hover", all, [](Button& t) { t.enter(); }, kGreen},
        {"pressed", all,
         [](Button& t) {
             t.enter();
             t.b.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20));
         },
         kBlue},
        {"pressed, no down picture", all & ~down,
         [](Button& t) {
             t.enter();
             t.b.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20));
         },
         kGreen},
        {"disabled", all, [](Button& t) { t.b.SetEnabled(false); }, kGrey},
        {"disabled and hovered", all,
         [](Button& t) {
             t.b.SetEnabled(false);
             t.enter();
         },
         kGrey},
        {"disabled, no disabled picture", all & ~disabled, [](Button& t) { t.b.SetEnabled(false); }, kRed},
        {"selected", all, [](Button& t) { t.b.SetButtonState(rd::ibsSelected); }, kWhite},
        {"selected and hovered", all,
         [](Button& t) {
             t.b.SetButtonState(rd::ibsSelected);
             t.enter();
         },
         kWhite},
        {"expanded", all, [](Button& t) { t.b.SetExpand(true); }, kYellow},
        {"no pictures", 0, [](Button& t) { t.enter(); }, 0},
        {"only a hover picture, not hovered", over, [](Button&) {}, 0},
    };
    for (const Case& c : cases) {
        Button t;
        if (c.pictures & normal) setPicture(t.b.ImageNormal(), 30, 21, kRed);
        if (c.pictures & over) setPicture(t.b.ImageOver(), 30, 21, kGreen);
        if (c.pictures & down) setPicture(t.b.ImageDown(), 30, 21, kBlue);
        if (c.pictures & disabled) setPicture(t.b.ImageDisabled(), 30, 21, kGrey);
        if (c.pictures & selected) setPicture(t.b.ImageSelected(), 30, 21, kWhite);
        if (c.pictures & expand) setPicture(t.b.ExpandImage(), 30, 21, kYellow);
        c.state(t);
        EXPECT_TRUE(sameColour(t.paint(100, 20), bgra(c.expected))) << c.name;
    }
}

TEST(RdImageButton, AnOptionLeavingEmptyTakesAThirdOfTheNormalPicture) {
    Button t;
    setPicture(t.b.ImageNormal(), 30, 21, kRed);
    t.b.ImageOption()->SetEmpty(false);
    EXPECT_EQ(t.b.ImageOption()->Left(), 10);
    EXPECT_EQ(t.b.ImageOption()->Top(), 7);
    EXPECT_EQ(t.b.ImageOption()->Right(), 10);
    EXPECT_EQ(t.b.ImageOption()->Bottom(), 7);
}

// A 200 x 40 button; a 16 x 16 check box on the left (x 10..26), an icon on the right
// (x 174..190), both centred vertically (y 12..28).
TEST(RdImageButton, PressAndReleaseRaiseTheEventsOfWhereTheyLand) {
    struct Case {
        const char* name;
        bool box, fullClick, icon, iconFullClick;
        rd::TCheckBoxState start;
        int x;
        const char* events;
        rd::TCheckBoxState end;
        std::function<void(Button&)> extra = nullptr;
    };
    const Case cases[] = {
        {"plain button", false, false, false, false, rd::cbUnchecked, 100, "click ", rd::cbUnchecked},
        {"in the box", true, false, false, false, rd::cbUnchecked, 15, "before box ", rd::cbChecked},
        {"checked box, in it", true, false, false, false, rd::cbChecked, 15, "before box ", rd::cbUnchecked},
        {"grayed box, in it", true, false, false, false, rd::cbGrayed, 15, "before box ", rd::cbChecked},
        {"beside the box", true, false, false, false, rd::cbUnchecked, 100, "click ", rd::cbUnchecked},
        {"full click, anywhere", true, true, false, false, rd::cbUnchecked, 100, "before box click ",
         rd::cbChecked},
        {"full click, in the box", true, true, false, false, rd::cbUnchecked, 15, "before box click ",
         rd::cbChecked},
        {"on the icon", false, false, true, false, rd::cbUnchecked, 180, "icon ", rd::cbUnchecked},
        {"beside the icon", false, false, true, false, rd::cbUnchecked, 100, "click ", rd::cbUnchecked},
        {"icon full click, on it", false, false, true, true, rd::cbUnchecked, 180, "click ", rd::cbUnchecked},
        {"aborted before the toggle", true, false, false, false, rd::cbUnchecked, 15, "before ",
         rd::cbUnchecked,
         [](Button& t) {
             t.b.CheckBoxBeforeClick = [&t](tk::TObject*) {
                 t.events += "before ";
                 tk::Abort();
             };
         }},
        {"aborted after the toggle", true, false, false, false, rd::cbUnchecked, 15, "before ", rd::cbChecked,
         [](Button& t) { t.b.CheckBoxOnClick = [](tk::TObject*) { tk::Abort(); }; }},
    };
    for (const Case& c : cases) {
        Button t;
        setPicture(t.b.ImageNormal(), 30, 21, kRed);
        t.b.SetCaption(u"caption");
        if (c.box) {
            for (auto state : {rd::cbUnchecked, rd::cbChecked, rd::cbGrayed})
                setPicture(t.b.CheckBoxImage(state, TRdImageButton::clNormalLook), 16, 16, kWhite);
            t.b.SetShowCheckBox(true);
            t.b.SetCheckBoxFullClick(c.fullClick);
        }
        if (c.icon) setPicture(t.b.Icon(TRdImageButton::Dn, rd::isNormal), 16, 16, kBlue);
        t.b.SetIconFullClick(c.iconFullClick);
        t.b.SetCheckState(c.start);
        if (c.extra) c.extra(t);
        t.events.clear();
        t.paint(0, 0);
        t.enter();
        t.b.Perform(WM_MOUSEMOVE, 0, MAKELPARAM(c.x, 20));
        t.click(c.x, 20);
        EXPECT_EQ(t.events, c.events) << c.name;
        EXPECT_EQ(t.b.CheckState(), c.end) << c.name;
        EXPECT_EQ(t.b.ButtonState(), rd::ibsNormal) << c.name;
    }

    // Setting the state in code raises OnCheckedChanged, once per change.
    Button t;
    t.b.SetChecked(true);
    t.b.SetChecked(true);
    t.b.SetCheckState(rd::cbGrayed);
    EXPECT_EQ(t.events, "checked checked ");
    EXPECT_FALSE(t.b.Checked());
}

TEST(RdImageButton, PressAndReleaseMoveTheStatesAndASelectedLockedButtonKeepsItsOwn) {
    Button t;
    setPicture(t.b.ImageNormal(), 30, 21, kRed);
    t.enter();
    EXPECT_TRUE(t.b.IsMouseOver());
    t.b.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
    EXPECT_EQ(t.b.ButtonState(), rd::ibsDown);
    t.b.Perform(WM_LBUTTONUP, 0, MAKELPARAM(50, 20));
    EXPECT_EQ(t.b.ButtonState(), rd::ibsNormal);
    // Leaving while pressed lets go of the press.
    t.b.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
    t.leave();
    EXPECT_EQ(t.b.ButtonState(), rd::ibsNormal);
    EXPECT_FALSE(t.b.IsMouseOver());
    t.b.Perform(WM_LBUTTONUP, 0, MAKELPARAM(500, 20));

    t.b.SetButtonState(rd::ibsSelected);
    t.enter();
    t.b.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
    EXPECT_EQ(t.b.ButtonState(), rd::ibsSelected);
    t.b.Perform(WM_LBUTTONUP, 0, MAKELPARAM(50, 20));
    EXPECT_EQ(t.b.ButtonState(), rd::ibsSelected);

    // Disabling saves the state, enabling brings it back.
    t.b.SetEnabled(false);
    EXPECT_EQ(t.b.ButtonState(), rd::ibsDisabled);
    t.b.SetEnabled(true);
    EXPECT_EQ(t.b.ButtonState(), rd::ibsSelected);
}

TEST(RdImageButton, DisabledWithoutADisabledIconDrawsTheNormalIconInGrey) {
    Button t;
    setPicture(t.b.Icon(TRdImageButton::Dn, rd::isNormal), 16, 16, 0xFFFF8000); // orange
    const Bgra enabled = t.paint(182, 20);
    EXPECT_TRUE(sameColour(enabled, Bgra{0, 128, 255, 255}));
    t.b.SetEnabled(false);
    const int grey = (77 * 255 + 151 * 128 + 28 * 0) >> 8;
    EXPECT_TRUE(sameColour(t.paint(182, 20), Bgra{grey, grey, grey, 255}));
    // With its own disabled icon, that one.
    setPicture(t.b.Icon(TRdImageButton::Dn, rd::isDisabled), 16, 16, kBlue);
    EXPECT_TRUE(sameColour(t.paint(182, 20), bgra(kBlue)));
}

// Entering with HoverEffect ibeSingle: the hover picture at full strength, the normal one
// over it at 255 - alpha; frames at alpha 90, 100, ... 210, the fade ending on the 14th tick.
TEST(RdImageButton, HoverFadeFramesComeFromTheDrawBuffer) {
    testprefs::Scope animate(testprefs::Scope::ClientAreaAnimation, true);
    for (bool pressMidway : {false, true}) {
        Button t;
        setPicture(t.b.ImageNormal(), 30, 21, kRed);
        setPicture(t.b.ImageOver(), 30, 21, kBlue);
        t.b.SetHoverEffect(rd::ibeSingle);
        t.b.AllSkin()->CreateDrawBuffer();
        t.enter();
        EXPECT_EQ(t.b.AniState(), rd::ibaMouseEnter);
        EXPECT_TRUE(t.b.AniTimer()->Enabled());
        for (int tick = 1; tick <= 14; ++tick) {
            if (pressMidway && tick == 5) {
                t.b.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
                t.b.AniTimer()->Timer();
                EXPECT_FALSE(t.b.AniTimer()->Enabled()); // a press stops it at once
                EXPECT_EQ(t.b.AniState(), rd::ibaNone);
                EXPECT_EQ(t.b.AniAlpha(), 0);
                break;
            }
            t.b.AniTimer()->Timer();
            if (tick == 14) {
                EXPECT_FALSE(t.b.AniTimer()->Enabled());
                EXPECT_EQ(t.b.AniState(), rd::ibaNone);
                break;
            }
            const int alpha = 80 + 10 * tick;
            EXPECT_EQ(t.b.AniAlpha(), alpha);
            t.paint(0, 0);
            const Bgra frame = pixelOf(t.b.AllSkin()->DrawBuffer(), 100, 20);
            EXPECT_TRUE(sameColour(frame, Bgra{alpha, 0, 255 - alpha, 255}, 3)) << "tick " << tick;
        }
    }
}

// Without client-area animation a hover goes straight to the hover picture and the busy
// picture turns an eighth once a second; with it, the fade and the quick turn as before.
TEST(RdImageButton, ReducedMotionSkipsTheFadeAndSlowsTheBusyTurn) {
    for (bool animate : {false, true}) {
        SCOPED_TRACE(animate ? "animation on" : "animation off");
        testprefs::Scope prefs(testprefs::Scope::ClientAreaAnimation, animate);
        Button t;
        setPicture(t.b.ImageNormal(), 30, 21, kRed);
        setPicture(t.b.ImageOver(), 30, 21, kBlue);
        t.b.SetHoverEffect(rd::ibeSingle);
        t.enter();
        EXPECT_EQ(t.b.AniTimer()->Enabled(), animate);
        EXPECT_EQ(t.b.AniState(), animate ? rd::ibaMouseEnter : rd::ibaNone);
        if (!animate) EXPECT_TRUE(sameColour(t.paint(100, 20), bgra(kBlue)));
        t.leave();
        EXPECT_EQ(t.b.AniState(), animate ? rd::ibaMouseLeave : rd::ibaNone);
        if (!animate) EXPECT_TRUE(sameColour(t.paint(100, 20), bgra(kRed)));

        t.b.SetBusy(true);
        EXPECT_EQ(t.b.BusyTimer()->Interval(), animate ? 30u : 1000u);
        t.b.BusyTimer()->Timer();
        t.b.BusyTimer()->Timer();
        EXPECT_FLOAT_EQ(t.b.BusyRotate(), animate ? 10.0f : 90.0f);
        t.b.SetBusy(false);
    }
}

TEST(RdImageButton, BusyTurnsItsPictureFiveDegreesATickAndGivesTheButtonBack) {
    Button t;
    t.b.SetBounds(0, 0, 80, 80);
    t.b.SetCaption(u"Send");
    // A 64 x 64 picture, its left half red, its right half transparent.
    auto* png = image::TPngImage::CreateBlank(6, 8, 64, 64, false, false, true, false);
    png->SetAlphaPreMultiplied(true);
    png->FillRect(RECT{0, 0, 64, 64}, 0);
    png->FillRect(RECT{0, 0, 32, 64}, kRed);
    t.b.ImageBusy()->SetGraphic(std::unique_ptr<image::TGraphic>(png));

    t.b.SetBusy(true);
    EXPECT_FALSE(t.b.Enabled());
    EXPECT_EQ(t.b.Caption(), u"");
    EXPECT_EQ(int(t.b.ButtonState()), 4);
    EXPECT_TRUE(t.b.BusyTimer()->Enabled());
    EXPECT_EQ(t.b.BusyTimer()->Interval(), 30u);
    // At 0 degrees: red left of the centre, nothing right of it.
    EXPECT_TRUE(sameColour(t.paint(20, 40), bgra(kRed)));
    EXPECT_EQ(t.paint(60, 40).a, 0);
    for (int i = 1; i <= 18; ++i) {
        t.b.BusyTimer()->Timer();
        EXPECT_FLOAT_EQ(t.b.BusyRotate(), 5.0f * i);
    }
    // A quarter turn clockwise: the red half is above the centre.
    EXPECT_TRUE(sameColour(t.paint(40, 20), bgra(kRed)));
    EXPECT_TRUE(sameColour(t.paint(20, 20), bgra(kRed)));
    EXPECT_EQ(t.paint(40, 60).a, 0);
    EXPECT_EQ(t.paint(20, 60).a, 0);
    for (int i = 19; i <= 72; ++i)
        t.b.BusyTimer()->Timer();
    EXPECT_FLOAT_EQ(t.b.BusyRotate(), 360.0f);
    t.b.BusyTimer()->Timer();
    EXPECT_FLOAT_EQ(t.b.BusyRotate(), 5.0f); // past 360 it wraps

    t.b.SetBusy(false);
    EXPECT_TRUE(t.b.Enabled());
    EXPECT_EQ(t.b.Caption(), u"Send");
    EXPECT_EQ(t.b.ButtonState(), rd::ibsNormal);
    EXPECT_FALSE(t.b.BusyTimer()->Enabled());
}

// A mask picture white in its upper half and black in its lower half: the lower half is
// not the button's. Tested at the picture's own size, and as a mask laid out by ImageOption.
TEST(RdImageButton, TheClickMaskLetsBlackAndTransparentPointsThrough) {
    for (bool laidOut : {false, true}) {
        Button t;
        t.b.SetBounds(0, 0, 40, 40);
        auto* png = image::TPngImage::CreateBlank(6, 8, 40, 40, false, false, true, false);
        png->SetAlphaPreMultiplied(true);
        png->FillRect(RECT{0, 0, 40, 20}, kWhite);
        png->FillRect(RECT{0, 20, 40, 40}, kBlack);
        png->FillRect(RECT{30, 0, 40, 20}, 0); // transparent corner
        t.b.ImageRange()->SetGraphic(std::unique_ptr<image::TGraphic>(png));
        if (laidOut) {
            t.b.ImageOption()->SetValue(1, 1, 1, 1);
            EXPECT_EQ(t.b.Perform(tk::CM_HITTEST, 0, MAKELPARAM(5, 5)), 0)
                << "no mask before the first paint";
            t.paint(0, 0);
        }
        auto hit = [&](int x, int y) { return t.b.Perform(tk::CM_HITTEST, 0, MAKELPARAM(x, y)) != 0; };
        EXPECT_TRUE(hit(5, 5)) << laidOut;
        EXPECT_FALSE(hit(5, 30)) << laidOut;
        EXPECT_FALSE(hit(35, 5)) << laidOut;
        EXPECT_FALSE(hit(45, 5)) << laidOut; // outside
    }
    Button plain; // no mask: every point is the button's
    EXPECT_NE(plain.b.Perform(tk::CM_HITTEST, 0, MAKELPARAM(5, 30)), 0);
}

TEST(RdImageButton, BadPicturesAndDestructionWhileTicking) {
    const int timers = win::TRdTimer::LiveTimerCount();
    const DWORD gdi = testgui::GdiObjects();
    for (int round = 0; round < 60; ++round) {
        auto t = std::make_unique<Button>();
        // Zero-sized and empty pictures in every slot, a huge busy picture.
        t->b.ImageNormal()->SetGraphic(solid(0, 0, kRed));
        t->b.ImageOver()->SetGraphic(solid(0, 0, kRed));
        t->b.ImageDown()->SetGraphic(nullptr);
        t->b.Icon(TRdImageButton::Dn, rd::isNormal)->SetGraphic(solid(0, 0, kRed));
        t->b.CheckBoxImage(rd::cbChecked, TRdImageButton::clHoverLook)->SetGraphic(solid(0, 0, kRed));
        t->b.SetShowCheckBox(true);
        t->b.SetHoverEffect(rd::ibeDouble);
        t->enter();
        t->click(100, 20);
        t->paint(0, 0);
        if (round == 0) {
            t->b.ImageBusy()->SetGraphic(solid(2000, 1500, kBlue));
            t->b.SetBusy(true);
            t->paint(0, 0);
            t->b.BusyTimer()->Timer();
            t->paint(0, 0);
        }
        // A fade and a busy rotation running when the button goes.
        setPicture(t->b.ImageNormal(), 30, 21, kRed);
        setPicture(t->b.ImageOver(), 30, 21, kBlue);
        t->b.SetShowCheckBox(false);
        t->leave();
        t->enter();
        t->b.ImageBusy()->SetGraphic(solid(24, 24, kBlue));
        t->b.SetBusy(true);
        t->b.AniTimer()->Timer();
        t->paint(0, 0);
        EXPECT_EQ(win::TRdTimer::LiveTimerCount(), timers + 1)
            << "only the busy timer runs (the fade ends when disabled)";
    }
    EXPECT_EQ(win::TRdTimer::LiveTimerCount(), timers);
    EXPECT_LE(testgui::GdiObjects(), gdi + 10);
}
