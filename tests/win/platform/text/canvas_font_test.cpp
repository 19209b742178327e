#include "platform/text/canvas_font.h"

#include "platform/image/png_canvas.h"
#include "platform/image/png_image.h"

#include <gtest/gtest.h>

using namespace vell::text;

namespace {

TEST(CanvasFont, HeightIsMeasuredOnceAndClearedByChanges) {
    TCanvasFont font;
    font.SetHeight(-15);
    int changes = 0;
    font.OnChange = [&](vell::tk::TGraphicsObject*) { ++changes; };
    EXPECT_FALSE(font.HeightMeasured());
    const int h = font.FontHeight();
    EXPECT_GE(h, 15);
    EXPECT_LT(h, 40);
    EXPECT_TRUE(font.HeightMeasured());
    EXPECT_EQ(font.FontHeight(), h);
    EXPECT_GT(font.FontBaseLine(), 0);
    EXPECT_LT(font.FontBaseLine(), h);

    struct Change {
        const char* name;
        std::function<void()> apply;
    };
    const Change changesTable[] = {
        {"size", [&] { font.SetHeight(-30); }},
        {"name", [&] { font.SetName(u"Courier New"); }},
        {"antialiasing", [&] { font.SetAntialiased(true); }},
        {"shadow", [&] { font.ShadowGlow()->SetEnabled(true); }},
    };
    int expected = 0;
    for (const Change& c : changesTable) {
        SCOPED_TRACE(c.name);
        font.FontHeight();
        c.apply();
        EXPECT_EQ(changes, ++expected);
        EXPECT_FALSE(font.HeightMeasured());
    }
    EXPECT_GT(font.FontHeight(), h);
}

TEST(CanvasFont, MeasuresOnItsCanvasAndFallsBackWithoutOne) {
    vell::image::TPngImage* img = vell::image::TPngImage::CreateARGB32(8, 8, true);
    ASSERT_TRUE(img);
    ASSERT_TRUE(img->CanvasHandle());
    TCanvasFont& onCanvas = img->Canvas().FontEx();
    EXPECT_EQ(&onCanvas, &img->Canvas().FontEx());
    EXPECT_EQ(onCanvas.Owner(), &img->Canvas());
    onCanvas.SetHeight(-15);
    TCanvasFont loose;
    loose.SetHeight(-15);
    EXPECT_EQ(onCanvas.FontHeight(), loose.FontHeight());
    EXPECT_EQ(onCanvas.FontBaseLine(), loose.FontBaseLine());
    img->Free();
}

TEST(CanvasFont, AntialiasingSurvivesOtherChanges) {
    TCanvasFont font;
    font.SetAntialiased(true);
    font.SetHeight(-20);
    LOGFONTW lf{};
    ASSERT_TRUE(::GetObjectW(font.Handle(), sizeof(lf), &lf));
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_EQ(lf.lfHeight, -20);
    font.SetAntialiased(false);
    ASSERT_TRUE(::GetObjectW(font.Handle(), sizeof(lf), &lf));
    EXPECT_EQ(lf.lfQuality, DEFAULT_QUALITY);
}

TEST(CanvasFont, ShadowGlowAssignEqualsAndStoring) {
    TRdShadowGlow a, b;
    EXPECT_TRUE(a.Empty());
    EXPECT_TRUE(a.Equals(&b));
    EXPECT_FALSE(a.Equals(nullptr));
    b.SetEnabled(true);
    a.Assign(&b);
    EXPECT_TRUE(a.Enabled());
    a.Assign(nullptr);
    EXPECT_FALSE(a.Enabled());

    TCanvasFont font, parent, copy;
    EXPECT_FALSE(font.StoresShadowGlow());
    font.SetParentFont(&parent);
    EXPECT_TRUE(font.StoresShadowGlow());
    font.SetParentFont(nullptr);
    font.SetShadowGlow(&b);
    EXPECT_TRUE(font.StoresShadowGlow());
    font.SetAntialiased(true);
    font.SetHeight(-22);
    EXPECT_FALSE(copy.Equals(font));
    copy.Assign(&font);
    EXPECT_TRUE(copy.ShadowGlow()->Enabled());
    EXPECT_TRUE(copy.Antialiased());
    EXPECT_EQ(copy.Height(), -22);
    EXPECT_TRUE(copy.Equals(font));
    copy.SetAntialiased(false);
    EXPECT_FALSE(copy.Equals(font));
    copy.SetAntialiased(true);
    copy.ShadowGlow()->SetEnabled(false);
    EXPECT_FALSE(copy.Equals(font));
}

} // namespace
