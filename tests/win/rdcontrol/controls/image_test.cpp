// The skinned picture control: where its picture goes (stretch, proportional, centre),
// sizing to its picture, margins taken from the picture, and opacity.
#include "platform/image/png_image.h"
#include "platform/image/engine_startup.h"
#include "rdcontrol/panels/image.h"
#include "rdcontrol/panels/paint_box.h"

#include <gtest/gtest.h>

using namespace vell;
using rd::TRdImage;

namespace {

// A picture of the given size.
void picture(TRdImage& image, int w, int h) {
    auto* png = image::TPngImage::CreateBlank(6, 8, w, h, false, false, true, false);
    image.Picture()->SetGraphic(std::unique_ptr<image::TGraphic>(png));
}

std::string rect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

} // namespace

TEST(RdImage, DestRect) {
    struct Case {
        int pw, ph, cw, ch;
        bool stretch, proportional, center;
        const char* expected;
    } cases[] = {
        {100, 50, 300, 300, true, true, false, "0,0,300,150"},
        {100, 50, 300, 300, true, true, true, "0,75,300,225"},
        {100, 50, 300, 300, false, true, false, "0,0,100,50"},     // smaller: its own size
        {100, 50, 300, 300, true, false, false, "0,0,300,300"},    // stretched to the client
        {50, 100, 300, 120, true, true, true, "120,0,180,120"},    // portrait, height-bound
        {400, 100, 200, 20, false, true, false, "0,0,80,20"},      // larger: fitted, height wins
        {101, 51, 300, 300, false, false, true, "99,124,200,175"}, // odd halves round down
    };
    for (const Case& c : cases) {
        TRdImage image(nullptr);
        image.SetBounds(0, 0, c.cw, c.ch);
        picture(image, c.pw, c.ph);
        image.SetStretch(c.stretch);
        image.SetProportional(c.proportional);
        image.SetCenter(c.center);
        EXPECT_EQ(rect(image.DestRect()), c.expected) << c.pw << "x" << c.ph << " in " << c.cw << "x" << c.ch;
    }
}

TEST(RdImage, AutoSizeMarginsAndOpacity) {
    TRdImage image(nullptr);
    EXPECT_EQ(image.Width(), 105);
    image.SetAutoSize(true);
    image.Picture()->SetGraphic(nullptr);
    EXPECT_EQ(image.Width(), 105); // no picture: the bounds stay
    picture(image, 64, 48);
    EXPECT_EQ(image.Width(), 64);
    EXPECT_EQ(image.Height(), 48);

    image.PictureOption()->SetEmpty(false); // a forced change: margins from the picture
    EXPECT_EQ(image.PictureOption()->Left(), 21);
    EXPECT_EQ(image.PictureOption()->Top(), 16);

    EXPECT_FALSE(image.ControlStyle() & tk::csOpaque); // transparent by default
    image.SetTransparent(false);
    image.SetColor(0x00336699);
    EXPECT_FALSE(image.ControlStyle() & tk::csOpaque); // its 32-bit picture may show through
    image.Picture()->SetGraphic(nullptr);
    EXPECT_TRUE(image.ControlStyle() & tk::csOpaque); // filled with an opaque colour
    image.AllSkin()->Draw()->SetDrawAlpha(200);
    EXPECT_FALSE(image.ControlStyle() & tk::csOpaque);
}

TEST(RdPaintBox, PaintsWhatItsHandlerDraws) {
    image::StartImageEngine();
    rd::TRdPaintBox box(nullptr);
    box.SetBounds(0, 0, 20, 10);
    box.SetColor(0x00703010);
    box.OnPaint = [&](tk::TObject*) {
        box.Canvas()->Brush()->SetColor(box.Color());
        box.Canvas()->FillRect(box.GetClientRect());
    };
    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, 20, 10, true, false, true, false);
    png->FillRect(RECT{0, 0, 20, 10}, 0xFFFFFFFFu);
    box.DrawTo(png->CanvasHandle(), 0, 0);
    ::GdiFlush();
    const uint8_t* p = static_cast<const uint8_t*>(png->GetScanline(5)) + 5 * 4;
    EXPECT_EQ(p[0], 0x70); // blue
    EXPECT_EQ(p[1], 0x30);
    EXPECT_EQ(p[2], 0x10);
    EXPECT_EQ(p[3], 0xFF);
    png->ReleaseRef();
}
