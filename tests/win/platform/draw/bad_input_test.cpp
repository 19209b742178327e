// Every layout through the drawing operations with geometry that cannot draw, and with
// geometry that can: nothing fails, degenerate requests leave the target alone.
#include "platform/image/draw_image.h"
#include "platform/image/draw_shapes.h"
#include "tests/win/platform/draw/draw_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

using namespace vell::image;
using namespace vell::image::test;

namespace {

struct Layout {
    int type, depth;
    bool rgb32;
};
const Layout kLayouts[] = {{0, 1, false},  {0, 2, false},  {0, 4, false},  {0, 8, false}, {0, 16, false},
                           {2, 8, false},  {2, 16, false}, {3, 1, false},  {3, 2, false}, {3, 4, false},
                           {3, 8, false},  {4, 8, false},  {4, 16, false}, {6, 8, false}, {6, 8, true},
                           {6, 16, false}, {240, 8, false}};

std::unique_ptr<TPngImage> make(const Layout& l) {
    auto img = std::make_unique<TPngImage>();
    img->MakeBlank(l.type, l.depth, 5, 4, l.type == 240, l.rgb32);
    return img;
}

struct Geometry {
    const char* name;
    int dx, dy, dw, dh, sx, sy, sw, sh;
};
const Geometry kNothing[] = {
    {"zero width", 0, 0, 0, 4, 0, 0, 5, 4},
    {"negative height", 0, 0, 5, -4, 0, 0, 5, 4},
    {"zero source", 0, 0, 5, 4, 0, 0, 0, 4},
    {"negative source", 0, 0, 5, 4, 0, 0, 5, -1},
    {"right of the target", 8, 0, 5, 4, 0, 0, 5, 4},
    {"far above", 0, INT_MIN, 5, 4, 0, 0, 5, 4},
    {"extreme", INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MAX},
};
const Geometry kSomething[] = {
    {"whole", 0, 0, 5, 4, 0, 0, 5, 4},
    {"enlarged, overhanging", -3, -3, 40, 40, 0, 0, 5, 4},
    {"source outside", 0, 0, 5, 4, 100, -100, 5, 4},
    {"huge source", 0, 0, 7, 7, INT_MIN / 2, 0, INT_MAX, 3},
};

TDrawRectParams params(const Geometry& g, TPngSmoothFilter smooth) {
    TDrawRectParams p;
    p.DstX = g.dx, p.DstY = g.dy, p.DstW = g.dw, p.DstH = g.dh;
    p.SrcX = g.sx, p.SrcY = g.sy, p.SrcW = g.sw, p.SrcH = g.sh;
    p.Smooth = smooth;
    return p;
}

std::vector<uint32_t> pixels(Image32& img) {
    std::vector<uint32_t> v;
    for (int y = 0; y < img.img.GetHeight(); ++y)
        for (int x = 0; x < img.img.GetWidth(); ++x)
            v.push_back(img.get(x, y));
    return v;
}

} // namespace

TEST(DrawingBadInput, DegenerateGeometryOrNoOpacityDrawsNothing) {
    Image32 target(8, 8, bgra(1, 2, 3, 255), pamPremultiplied, true);
    const std::vector<uint32_t> before = pixels(target);
    HDC dc = target.img.CanvasHandle();
    ASSERT_TRUE(dc);
    for (const Layout& l : kLayouts) {
        auto img = make(l);
        for (const Geometry& g : kNothing)
            for (TPngSmoothFilter f : {psfDefault, psfFastSmooth, psfSmooth}) {
                DrawRect(*img, nullptr, params(g, f), &target.img);
                DrawRect(*img, dc, params(g, f));
                DrawRect(*img, nullptr, params(g, f)); // no target at all
            }
        TDrawRectParams invisible = params(kSomething[0], psfDefault);
        invisible.Alpha = 0;
        DrawRect(*img, nullptr, invisible, &target.img);
        DrawRect(*img, dc, invisible);
        GdiFlush();
        ASSERT_EQ(pixels(target), before) << l.type << "/" << l.depth;
    }
}

TEST(DrawingBadInput, EveryLayoutThroughEveryOperation) {
    for (const Layout& l : kLayouts) {
        SCOPED_TRACE(testing::Message() << l.type << "/" << l.depth << (l.rgb32 ? " 32-bit" : ""));
        Image32 target(8, 8, bgra(1, 2, 3, 255), pamPremultiplied, true);
        auto img = make(l);
        for (const Geometry& g : kSomething)
            for (TPngSmoothFilter f : {psfDefault, psfFastSmooth, psfSmooth}) {
                DrawRect(*img, nullptr, params(g, f), &target.img);
                DrawRect(*img, target.img.CanvasHandle(), params(g, f));
            }
        img->Draw(target.img.CanvasHandle(), RECT{0, 0, 8, 8});
        img->DrawTransparent(target.img.CanvasHandle(), RECT{8, 8, 0, 0}, 128);
        DrawTo(*img, &target.img, -2, -2, nullptr);
        DrawUsingPixelInformation(*img, target.img.CanvasHandle(), POINT{INT_MAX, 0});
        CopyBitBlt(target.img, *img, 9, 9, -1, -1, 0, 0);
        CopyBitBlt(*img, target.img, INT_MAX, INT_MAX, INT_MIN, 0, 0, 0);
        CopyStretchBlt(target.img, *img, 1, 1, 3, 2, -5, -5, 50, 50);
        UpdateAlpha(target.img, *img, nullptr, nullptr, nullptr, true);
        const RECT everywhere{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
        UpdateAlpha(*img, target.img, nullptr, &everywhere, &everywhere, false);
        TurnDirection(*img, pta90);
        GrayscaleRGB(*img);
        TintColor(*img, RGB(200, 0, 0), true, 128);
        GaussBlur(*img, 3, INT_MAX, INT_MAX, INT_MIN, INT_MIN);
        UsmSharpen(*img, 100, 2, 0);
        FillRoundRectSmooth(*img, -10, -10, 100, 100, 30, 30, RGB(0, 0, 255), 2, RGB(255, 0, 0), true);
        CutRoundRectSmooth(*img, 1, 1, 3, 3, 2, 2);
        CutEllipseSmooth(*img, INT_MIN, 0, INT_MAX, 3);
    }
}
