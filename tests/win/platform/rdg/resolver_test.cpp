#include "rdg_helpers.h"

#include <gtest/gtest.h>

using namespace vell::image;
using namespace vell::image::test;

TEST(Resolver, NothingUntilInstalledThenTheNameAsWritten) {
    EXPECT_EQ(ResolveImageName(u"images/a.png"), nullptr);
    {
        FakeResolver r;
        TPngImage* a = r.add(u"images/a.png", coordPicture(2, 2));
        EXPECT_EQ(ResolveImageName(u"images/a.png"), a);
        EXPECT_EQ(ResolveImageName(u"Images/A.png"), nullptr); // the resolver decides about case
        EXPECT_EQ(r.lookups, 2);
    }
    EXPECT_EQ(ResolveImageName(u"images/a.png"), nullptr);
}

TEST(DrawRectSlot, PngImageDrawsThroughTheCompositor) {
    auto src = coordPicture(4, 4, 9);
    auto dst = target(4, 4);
    TRdGraphic* g = src.get();
    // (1, 2) of the source, 2 x 1, into (0, 0) of the target.
    g->DrawRect(nullptr, 0, 0, 2, 1, 1, 2, 2, 1, -1, false, psfDefault, dst.get());
    EXPECT_EQ(pixelAt(*dst, 0, 0), bgra(1, 2, 9, 255));
    EXPECT_EQ(pixelAt(*dst, 1, 0), bgra(2, 2, 9, 255));
    EXPECT_EQ(pixelAt(*dst, 2, 0), 0u);
    EXPECT_EQ(pixelAt(*dst, 0, 1), 0u);

    // Alpha -1 is the image's own opacity.
    auto half = target(1, 1);
    src->SetAlphaBlendValue(0);
    g->DrawRect(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, -1, false, psfDefault, half.get());
    EXPECT_EQ(pixelAt(*half, 0, 0), 0u);
    g->DrawRect(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, 255, false, psfDefault, half.get());
    EXPECT_EQ(pixelAt(*half, 0, 0), bgra(0, 0, 9, 255));
}
