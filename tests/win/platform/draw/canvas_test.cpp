#include "platform/image/png_canvas.h"
#include "platform/image/rdg_image.h"
#include "platform/image/resolver.h"
#include "tests/win/platform/draw/draw_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace vell::image;
using namespace vell::image::test;

TEST(ImageCanvas, StretchDrawInsideTheChangeBracket) {
    Image32 target(8, 4, 0, pamUnknown);
    Image32 red(2, 2, bgra(0, 0, 255, 255), pamDefined);
    TPngImageCanvas& canvas = target.img.Canvas();
    std::string events;
    canvas.OnChanging = [&](vell::tk::TCanvas*) { events += "changing "; };
    canvas.OnChange = [&](vell::tk::TCanvas*) {
        events += "changed";
        events += target.img.AlphaMode == pamPremultiplied ? "(premultiplied) " : " ";
    };
    canvas.StretchDraw(RECT{0, 0, 4, 4}, &red.img);
    EXPECT_EQ(events, "changing changed(premultiplied) ");
    canvas.StretchDraw(RECT{4, 0, 8, 4}, &red.img, 128);
    GdiFlush();
    EXPECT_EQ(target.get(3, 3), bgra(0, 0, 255, 255));
    EXPECT_EQ(target.get(5, 1), bgra(0, 0, 128, 128));

    // The canvas's own image drawn onto itself, one row down, reads the pixels before
    // they change: only the first row is copied.
    Image32 self(2, 4, 0);
    self.set(0, 0, bgra(0, 0, 255, 255));
    self.img.Canvas().StretchDraw(RECT{0, 1, 2, 5}, &self.img);
    GdiFlush();
    EXPECT_EQ(self.get(0, 1), bgra(0, 0, 255, 255));
    EXPECT_EQ(self.get(0, 2), 0u);

    // No graphic, or a canvas without pixels: nothing happens.
    events.clear();
    canvas.StretchDraw(RECT{0, 0, 4, 4}, nullptr);
    canvas.StretchDraw(RECT{0, 0, 4, 4}, nullptr, 9);
    TPngImage empty;
    empty.Canvas().OnChange = [&](vell::tk::TCanvas*) { events += "empty changed"; };
    empty.Canvas().StretchDraw(RECT{0, 0, 4, 4}, &red.img, 255);
    EXPECT_EQ(events, "");
}

namespace {

// An engine graphic without pixels of its own that records how it is asked to draw.
class Recorder : public TRdGraphic {
  public:
    int GetWidth() const override { return 6; }
    int GetHeight() const override { return 3; }
    void SetSize(int, int) override {}
    bool GetEmpty() const override { return false; }
    void Draw(HDC, const RECT&) override { ++plainDraws; }
    void LoadFromStream(vell::TStream&) override {}
    void SaveToStream(vell::TStream&) override {}
    uint8_t* GetAlphaScanline(int) override { return nullptr; }
    void* GetScanline(int) override { return nullptr; }
    TColor GetPixels(int, int) override { return 0; }
    void SetPixels(int, int, TColor) override {}
    void DrawRect(HDC dc, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh, int alpha, bool,
                  TPngSmoothFilter, TPngImage* dstPng) override {
        drawn = dc != nullptr && dstPng == nullptr;
        dst = RECT{dx, dy, dx + dw, dy + dh};
        src = RECT{sx, sy, sx + sw, sy + sh};
        lastAlpha = alpha;
    }
    int plainDraws = 0;
    bool drawn = false;
    RECT dst{}, src{};
    int lastAlpha = 0;
};

} // namespace

TEST(ImageCanvas, StretchDrawWithOpacityOfOtherEngineGraphics) {
    Image32 target(8, 8, 0);
    Recorder rec;
    target.img.Canvas().StretchDraw(RECT{1, 2, 7, 8}, &rec, 100);
    EXPECT_TRUE(rec.drawn);
    const RECT dst{1, 2, 7, 8}, src{0, 0, 6, 3};
    EXPECT_TRUE(EqualRect(&rec.dst, &dst));
    EXPECT_TRUE(EqualRect(&rec.src, &src));
    EXPECT_EQ(rec.lastAlpha, 100);
    target.img.Canvas().StretchDraw(RECT{1, 2, 7, 8}, &rec, 255);
    EXPECT_EQ(rec.lastAlpha, -1); // its own opacity
    target.img.Canvas().StretchDraw(RECT{1, 2, 7, 8}, &rec);
    EXPECT_EQ(rec.plainDraws, 1);
}

TEST(ImageCanvas, StretchDrawWithOpacityOfReferenceGraphics) {
    // A reference graphic at half its own opacity, drawn at half the canvas's: a quarter.
    Image32 red(2, 2, bgra(0, 0, 255, 255));
    SetImageResolver(
        [](void* self, const std::u16string& name) -> TRdGraphic* {
            return name == u"red" ? static_cast<TRdGraphic*>(self) : nullptr;
        },
        &red.img);
    {
        TRdgImage ref;
        ref.SetImgName(u"red");
        ref.SetAlphaBlendValue(128);
        Image32 target(4, 4, 0);
        target.img.Canvas().StretchDraw(RECT{0, 0, 4, 4}, &ref, 128);
        GdiFlush();
        EXPECT_EQ(target.get(3, 3), bgra(0, 0, 64, 64));
    }
    SetImageResolver(nullptr, nullptr);
}

TEST(ImageCanvas, FollowsTheImagesDeviceContext) {
    // Whatever happens to the image's DC, the canvas draws into the image's current one and
    // never into one that is gone.
    Image32 target(16, 8, 0, pamPremultiplied, true);
    TPngImage* img = &target.img;
    TPngImageCanvas& canvas = img->Canvas();
    EXPECT_EQ(canvas.Handle(), img->CanvasHandle());
    canvas.Brush()->SetColor(RGB(0, 0, 255));
    const RECT all{0, 0, 16, 8};

    struct Step {
        const char* name;
        std::function<void()> apply;
    };
    const Step steps[] = {
        {"detached", [&] { canvas.Detach(); }},
        {"resized", [&] { img->SetSize(20, 10); }},
        {"reset for reuse", [&] { canvas.ResetDrawingState(); }},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.apply();
        EXPECT_EQ(canvas.HandleAllocated(), img->HasCanvasHandle());
        canvas.Brush()->SetColor(RGB(0, 255, 0));
        canvas.FillRect(all);
        EXPECT_EQ(canvas.Handle(), img->CanvasHandle());
        ::GdiFlush();
        EXPECT_EQ(target.get(3, 3) & 0xFFFFFF, 0x00FF00u);
        canvas.Brush()->SetColor(RGB(0, 0, 255));
        canvas.FillRect(all);
    }
}
