#include "platform/image/png_canvas.h"
#include "tests/win/draw/draw_helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace vell::image;
using namespace vell::image::test;

TEST(ImageCanvas, StretchDrawInsideTheChangeBracket) {
    Image32 target(8, 4, 0, pamUnknown);
    Image32 red(2, 2, bgra(0, 0, 255, 255), pamDefined);
    TPngImageCanvas& canvas = target.img.Canvas();
    std::string events;
    canvas.OnChanging = [&](TPngImageCanvas&) { events += "changing "; };
    canvas.OnChange = [&](TPngImageCanvas&) {
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
    empty.Canvas().OnChange = [&](TPngImageCanvas&) { events += "empty changed"; };
    empty.Canvas().StretchDraw(RECT{0, 0, 4, 4}, &red.img, 255);
    EXPECT_EQ(events, "");
}
