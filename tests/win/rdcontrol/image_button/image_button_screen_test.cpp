// Image buttons on a shown window with the demo skin. The mouse is moved and pressed through
// SendInput; the events each step raises are recorded and the screen is read for the state
// pictures.
#include "platform/image/png_image.h"
#include "platform/timer/rd_timer.h"
#include "rdcontrol/library.h"
#include "rdcontrol/buttons/image_button.h"
#include "rdcontrol/register_controls.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "tests/support/resource_fixture.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace vell;
using rd::TRdImageButton;

void pumpFor(int ms) {
    const DWORD end = ::GetTickCount() + ms;
    do {
        tk::Application()->ProcessMessages();
        ::Sleep(5);
    } while (static_cast<int>(end - ::GetTickCount()) > 0);
}

void mouse(int x, int y, DWORD buttons = 0) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (x * 65536 + sw / 2) / sw;
    in.mi.dy = (y * 65536 + sh / 2) / sh;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    ::SendInput(1, &in, sizeof(in));
    pumpFor(60);
}

struct Rgb {
    int r, g, b;
};
Rgb screenAt(int x, int y) {
    HDC dc = ::GetDC(nullptr);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(nullptr, dc);
    return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}
::testing::AssertionResult sameColour(Rgb got, unsigned want) {
    const Rgb w{int(want >> 16) & 255, int(want >> 8) & 255, int(want) & 255};
    if (std::abs(got.r - w.r) <= 3 && std::abs(got.g - w.g) <= 3 && std::abs(got.b - w.b) <= 3)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << got.r << "," << got.g << "," << got.b << " want " << w.r << "," << w.g << "," << w.b;
}

// The demo skin's button bodies (skins/*/images/btn_*.png).
constexpr unsigned kNormalBody = 0x3A4250, kHoverBody = 0x4A6FA5, kDownBody = 0x2C4F80;

struct ImageButtonScreen : ::testing::Test {
    tk::TForm* form = nullptr;
    std::string events;
    void SetUp() override {
        rdtest::StartModulesOnce();
        rd::RegisterPictureFormats();
        rd::StartSkinnedLibrary();
        rd::TResource::SetRootPath(rdtest::DemoSkinFolder());
        rd::TResource::Register(rdtest::DemoSkinFolder() + u"public.rcc", true);
        rd::TResource::Register(rdtest::DemoSkinFolder() + u"black.dll", false);
        form = new tk::TForm(tk::Application());
        form->SetBorderStyle(tk::bsNone);
        form->SetColor(clWhite);
        form->SetBounds(40, 40, 320, 200);
    }
    void TearDown() override {
        mouse(5, 5);
        tk::FreeApplication();
    }
    TRdImageButton* button(const char* name, int l, int t, int w, int h) {
        auto* b = new TRdImageButton(form);
        b->SetName(name);
        b->SetParent(form);
        b->SetBounds(l, t, w, h);
        b->AllSkin()->SetSkinClass(u"imagebutton");
        auto log = [this, name](const char* what) {
            return [this, name, what](tk::TObject*) { events += std::string(name) + "." + what + " "; };
        };
        b->OnClick = log("click");
        b->OnMouseEnter = log("enter");
        b->OnMouseLeave = log("leave");
        b->OnMouseDown = [this, name](tk::TObject*, tk::TMouseButton, tk::TShiftState, int, int) {
            events += std::string(name) + ".down ";
        };
        b->OnMouseUp = [this, name](tk::TObject*, tk::TMouseButton, tk::TShiftState, int, int) {
            events += std::string(name) + ".up ";
        };
        return b;
    }
    void show() {
        form->Show();
        pumpFor(100);
    }
    POINT screen(TRdImageButton* b, int x, int y) {
        POINT p{b->Left() + x, b->Top() + y};
        ::ClientToScreen(form->Handle(), &p);
        return p;
    }
};

} // namespace

TEST_F(ImageButtonScreen, HoverPressAndReleaseDriveTheStatesPicturesAndEvents) {
    TRdImageButton* b = button("ok", 20, 20, 140, 34);
    b->SetCaption(u"OK");
    show();
    const POINT body = screen(b, 10, 24), outside = screen(b, 200, 120);
    mouse(outside.x, outside.y);
    EXPECT_TRUE(sameColour(screenAt(body.x, body.y), kNormalBody));
    events.clear();

    mouse(body.x, body.y);
    EXPECT_TRUE(b->IsMouseOver());
    EXPECT_EQ(b->ButtonState(), rd::ibsNormal);
    EXPECT_TRUE(sameColour(screenAt(body.x, body.y), kHoverBody));

    mouse(body.x, body.y, MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(b->ButtonState(), rd::ibsDown);
    EXPECT_TRUE(sameColour(screenAt(body.x, body.y), kDownBody));

    mouse(body.x, body.y, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(b->ButtonState(), rd::ibsNormal);
    EXPECT_TRUE(sameColour(screenAt(body.x, body.y), kHoverBody));

    mouse(outside.x, outside.y);
    EXPECT_FALSE(b->IsMouseOver());
    EXPECT_TRUE(sameColour(screenAt(body.x, body.y), kNormalBody));
    EXPECT_EQ(events, "ok.enter ok.down ok.click ok.up ok.leave ");

    // Pressed, then dragged out and released outside: no click.
    events.clear();
    mouse(body.x, body.y);
    mouse(body.x, body.y, MOUSEEVENTF_LEFTDOWN);
    mouse(outside.x, outside.y);
    mouse(outside.x, outside.y, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(events.find("click"), std::string::npos) << events;
    EXPECT_EQ(b->ButtonState(), rd::ibsNormal);
}

TEST_F(ImageButtonScreen, TheBusyTimerTurnsThePictureAndEndingGivesTheButtonBack) {
    TRdImageButton* b = button("send", 20, 20, 140, 40);
    b->SetCaption(u"Send");
    show();
    const int timers = win::TRdTimer::LiveTimerCount();
    b->SetBusy(true);
    EXPECT_EQ(win::TRdTimer::LiveTimerCount(), timers + 1);
    pumpFor(400);
    const float turned = b->BusyRotate();
    EXPECT_GT(turned, 0.f);
    EXPECT_FLOAT_EQ(turned, 5.0f * int(turned / 5.0f + 0.5f)); // whole 5-degree steps
    // The ring is drawn in the middle of the button: some pixel there is not the body.
    b->SetBusy(false);
    EXPECT_EQ(win::TRdTimer::LiveTimerCount(), timers);
    EXPECT_EQ(b->Caption(), u"Send");
    EXPECT_TRUE(b->Enabled());
    const float stopped = b->BusyRotate();
    pumpFor(150);
    EXPECT_EQ(b->BusyRotate(), stopped);
}

// Two buttons in the same place; the upper one's click mask is white above and black below,
// so a click on its lower half belongs to the button below.
TEST_F(ImageButtonScreen, AClickOnTheMasksBlackHalfReachesTheControlBelow) {
    TRdImageButton* under = button("under", 20, 20, 140, 40);
    TRdImageButton* masked = button("masked", 20, 20, 140, 40);
    auto* png = image::TPngImage::CreateBlank(6, 8, 140, 40, false, false, true, false);
    png->SetAlphaPreMultiplied(true);
    png->FillRect(RECT{0, 0, 140, 20}, 0xFFFFFFFF);
    png->FillRect(RECT{0, 20, 140, 40}, 0xFF000000);
    masked->ImageRange()->SetGraphic(std::unique_ptr<image::TGraphic>(png));
    show();
    const POINT top = screen(masked, 70, 8), bottom = screen(masked, 70, 32);
    events.clear();
    mouse(top.x, top.y);
    mouse(top.x, top.y, MOUSEEVENTF_LEFTDOWN);
    mouse(top.x, top.y, MOUSEEVENTF_LEFTUP);
    EXPECT_NE(events.find("masked.click"), std::string::npos) << events;
    EXPECT_EQ(events.find("under.click"), std::string::npos) << events;
    events.clear();
    mouse(bottom.x, bottom.y);
    mouse(bottom.x, bottom.y, MOUSEEVENTF_LEFTDOWN);
    mouse(bottom.x, bottom.y, MOUSEEVENTF_LEFTUP);
    EXPECT_NE(events.find("under.click"), std::string::npos) << events;
    EXPECT_EQ(events.find("masked.click"), std::string::npos) << events;
    (void)under;
}

TEST_F(ImageButtonScreen, DestroyedWhileTickingStopsItsTimers) {
    const int timers = win::TRdTimer::LiveTimerCount();
    TRdImageButton* b = button("gone", 20, 20, 140, 34);
    b->SetHoverEffect(rd::ibeSingle);
    show();
    const POINT body = screen(b, 10, 24);
    mouse(body.x, body.y); // the fade starts
    b->SetBusy(true);
    EXPECT_GT(win::TRdTimer::LiveTimerCount(), timers);
    delete b;
    EXPECT_EQ(win::TRdTimer::LiveTimerCount(), timers);
    pumpFor(100); // no tick reaches the destroyed button
}
