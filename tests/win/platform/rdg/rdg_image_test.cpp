#include "core/io/stream.h"
#include "platform/image/nine_slice_draw.h"
#include "platform/image/png_chunks.h"
#include "platform/image/rdg_image.h"
#include "rdg_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vell::image;
using namespace vell::image::test;
using vell::rdg::ClipRect;

namespace {

class RdgImage : public ::testing::Test {
  protected:
    RdgImage() { a = resolver.add(u"images/a.png", coordPicture(50, 50, 1)); }

    // A definition as the resource layer makes one: a reference graphic read from lines.
    TRdgImage* definition(const std::u16string& name, const std::vector<std::u16string>& lines) {
        auto d = std::make_unique<TRdgImage>();
        d->LoadFromStrings(lines, false, true);
        return resolver.add(name, std::move(d));
    }

    FakeResolver resolver;
    TPngImage* a = nullptr;
};

std::unique_ptr<TRdgImage> reference(const std::vector<std::u16string>& lines) {
    auto r = std::make_unique<TRdgImage>();
    r->LoadFromStrings(lines, false, true);
    return r;
}

bool hasDevurChunk(TPngImage& img) {
    for (int i = 0; i < img.Chunks().Count(); ++i)
        if (auto* t = dynamic_cast<TChunktEXt*>(img.Chunks().GetItem(i)); t && t->Keyword() == "DEVUR")
            return true;
    return false;
}

} // namespace

TEST_F(RdgImage, ClipGivesSizeAndPixels) {
    auto r = reference({u"imgname=images/a.png", u"imgrect=10,10,30,40"});
    EXPECT_EQ(r->Width(), 20);
    EXPECT_EQ(r->Height(), 30);
    EXPECT_EQ(r->GetPixels(0, 0), a->GetPixels(10, 10));
    EXPECT_EQ(r->GetPixels(19, 29), a->GetPixels(29, 39));
    EXPECT_EQ(static_cast<uint8_t*>(r->GetScanline(0)), static_cast<uint8_t*>(a->GetScanline(10)) + 40);
    EXPECT_EQ(r->GetScanline(30), nullptr);
    EXPECT_EQ(r->GetScanline(-1), nullptr);

    // A clip set from code is the reference's own and takes effect at once.
    r->SetSrcClip(ClipRect{5, 5, 15, 25});
    EXPECT_TRUE(r->SrcClipCustom());
    EXPECT_EQ(r->Width(), 10);
    EXPECT_EQ(r->Height(), 20);
    EXPECT_EQ(r->GetPixels(0, 0), a->GetPixels(5, 5));
    r->SetSrcClip(ClipRect{10, 10, 30, 40});

    // Without a clip the picture's own size; drawing the whole clip region.
    auto whole = reference({u"imgname=images/a.png"});
    EXPECT_EQ(whole->Width(), 50);
    auto dst = target(20, 30);
    DrawDesignGraphic(r.get(), RECT{0, 0, 20, 30}, nullptr, nullptr, dst.get());
    EXPECT_EQ(pixelAt(*dst, 0, 0), pixelAt(*a, 10, 10));
    EXPECT_EQ(pixelAt(*dst, 19, 29), pixelAt(*a, 29, 39));
}

TEST_F(RdgImage, RowsReachingOutsideThePictureArePadded) {
    auto r = reference({u"imgname=images/a.png", u"imgrect=-2,48,8,52"});
    ASSERT_EQ(r->Width(), 10);
    auto* row = static_cast<uint8_t*>(r->GetScanline(0));
    ASSERT_NE(row, nullptr);
    const uint8_t zero[8] = {};
    EXPECT_EQ(std::memcmp(row, zero, 8), 0);
    EXPECT_EQ(std::memcmp(row + 8, a->GetScanline(48), 32), 0);
    // Rows 2 and 3 of the clip lie below the picture: all zero, in the same buffer.
    auto* below = static_cast<uint8_t*>(r->GetScanline(3));
    EXPECT_EQ(below, row);
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(below[i], 0) << i;
    EXPECT_EQ(r->GetPixels(0, 0), 0u);
    EXPECT_EQ(r->GetPixels(2, 0), a->GetPixels(0, 48));
    r->SetPixels(0, 0, 0x123456); // outside the picture: nothing happens

    // A picture read from PNG data decodes on first use; rows come in its own layout.
    vell::TMemoryStream png;
    coordPicture(6, 3, 9)->SaveToStream(png);
    png.SetPosition(0);
    auto loaded = std::make_unique<TPngImage>();
    loaded->LoadFromStream(png);
    TPngImage* l = resolver.add(u"images/loaded.png", std::move(loaded));
    auto shifted = reference({u"imgname=images/loaded.png", u"imgrect=-1,1,6,2"});
    auto* padded = static_cast<uint8_t*>(shifted->GetScanline(0));
    ASSERT_NE(padded, nullptr);
    const int bytes = l->Header()->BitCount() / 8;
    for (int i = 0; i < bytes; ++i)
        EXPECT_EQ(padded[i], 0) << i;
    EXPECT_EQ(std::memcmp(padded + bytes, l->GetScanline(1), size_t(6 * bytes)), 0);
}

TEST_F(RdgImage, DefinitionValuesAreCopiedUnlessTheReferenceHasItsOwn) {
    TRdgImage* def = definition(u"[btn]", {u"imgname=images/a.png", u"imgrect=10,10,30,40", u"imgalpha=100"});
    auto plain = reference({u"imgname=[btn]"});
    auto own = reference({u"imgname=[btn]", u"imgrect!=0,0,5,5", u"imgalpha=128"});
    EXPECT_EQ(plain->Width(), 20);
    EXPECT_EQ(plain->AlphaBlendValue(), 100);
    EXPECT_EQ(own->Width(), 5);
    EXPECT_EQ(own->AlphaBlendValue(), 128);
    EXPECT_TRUE(own->ImgAlphaCustom());

    // The definition changes: the plain reference follows, the other keeps its own.
    def->LoadFromStrings({u"imgname=images/a.png", u"imgrect=0,0,40,8", u"imgalpha=60"}, false, true);
    EXPECT_EQ(plain->Width(), 40);
    EXPECT_EQ(plain->Height(), 8);
    EXPECT_EQ(plain->AlphaBlendValue(), 60);
    EXPECT_EQ(own->Width(), 5);
    EXPECT_EQ(own->AlphaBlendValue(), 128);

    // A self-update (the definition text read again) leaves custom values alone.
    own->LoadFromStrings({u"imgalpha=7", u"imgrect=1,1,2,2"}, true, false);
    EXPECT_EQ(own->AlphaBlendValue(), 128);
    EXPECT_EQ(own->Width(), 5);
    // Only the reference's own values are written back.
    const auto lines = plain->SaveToStrings();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), u"imgname=[btn]"), 1);
    for (const auto& line : lines)
        EXPECT_NE(line.find(u"!"), 0u) << std::string(line.begin(), line.end());
}

TEST_F(RdgImage, SavedReferencesKeepFollowingTheirDefinition) {
    // The definition marks its values with "!"; the reference holds them without making
    // them its own, and after being written and read back it still follows the definition.
    TRdgImage* def = definition(u"[btn]", {u"imgname=images/a.png", u"imgalpha!=200", u"imgrect!=0,0,10,10"});
    auto r = reference({u"imgname=[btn]"});
    ASSERT_EQ(r->Width(), 10);
    EXPECT_EQ(r->AlphaBlendValue(), 200);
    auto back = reference(r->SaveToStrings());
    EXPECT_FALSE(back->CustomValues());
    def->LoadFromStrings({u"imgname=images/a.png", u"imgalpha!=50", u"imgrect!=0,0,20,20"}, false, true);
    EXPECT_EQ(back->AlphaBlendValue(), 50);
    EXPECT_EQ(back->Width(), 20);
}

TEST_F(RdgImage, OpacityComesThroughTheChain) {
    a->SetAlphaBlendValue(77);
    definition(u"[def]", {u"imgname=images/a.png"});
    auto r = reference({u"imgname=[def]"});
    int alpha = 0;
    ClipRect clip;
    EXPECT_EQ(r->RootPngLnk(&clip, &alpha), a);
    EXPECT_EQ(alpha, 77);
    EXPECT_EQ(clip, (ClipRect{0, 0, 50, 50}));
    EXPECT_EQ(r->AlphaBlendValue(), 77);

    // The picture changes its opacity: the reference hears it and follows.
    int heard = 0;
    r->OnChange = [&](TGraphic*) { ++heard; };
    a->SetAlphaBlendValue(200);
    EXPECT_GT(heard, 0);
    r->RootPngLnk(nullptr, &alpha);
    EXPECT_EQ(alpha, 200);
    EXPECT_EQ(r->AlphaBlendValue(), 200);

    auto dst = target(1, 1);
    r->SetAlphaBlendValue(128);
    r->DrawRect(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, -1, false, psfDefault, dst.get());
    EXPECT_EQ(pixelAt(*dst, 0, 0) >> 24, 128u);
}

TEST_F(RdgImage, EmptyRules) {
    TRdgImage none;
    EXPECT_TRUE(none.Empty());
    EXPECT_EQ(none.Width(), 0);

    auto missing = reference({u"imgname=images/nothing.png"});
    EXPECT_FALSE(missing->Empty());
    EXPECT_EQ(missing->Width(), 0);
    EXPECT_EQ(missing->RootPngLnk(), nullptr);
    EXPECT_EQ(missing->GetScanline(0), nullptr);
    auto dst = target(4, 4);
    DrawDesignGraphic(missing.get(), RECT{0, 0, 4, 4}, nullptr, nullptr, dst.get());
    EXPECT_EQ(pixelAt(*dst, 1, 1), 0u);

    // A clip alone gives a size, still nothing to draw.
    auto clipped = reference({u"imgname=images/nothing.png", u"imgrect=0,0,7,3"});
    EXPECT_EQ(clipped->Width(), 7);
    EXPECT_EQ(clipped->GetPixels(0, 0), 0u);

    // A name that resolves later is found on the next use.
    resolver.add(u"images/nothing.png", coordPicture(3, 3));
    EXPECT_EQ(missing->Width(), 3);
}

TEST_F(RdgImage, AssignToPngGivesTheClipRegion) {
    auto r = reference({u"imgname=images/a.png", u"imgrect=10,10,30,40", u"imgalpha=128", u"imgsmooth=2"});
    TPngImage out;
    r->AssignTo(out);
    ASSERT_EQ(out.Width(), 20);
    ASSERT_EQ(out.Height(), 30);
    EXPECT_EQ(pixelAt(out, 0, 0), pixelAt(*a, 10, 10));
    EXPECT_EQ(pixelAt(out, 19, 29), pixelAt(*a, 29, 39));
    EXPECT_EQ(out.AlphaBlendValue(), 128);
    EXPECT_EQ(out.SmoothFilter(), psfSmooth);
    EXPECT_TRUE(hasDevurChunk(out));
    EXPECT_EQ(a->AlphaBlendValue(), 255); // the picture itself is untouched

    // A clip of the picture's size that lies elsewhere is still cut out.
    auto shifted = reference({u"imgname=images/a.png", u"imgrect=-2,0,48,50"});
    TPngImage moved;
    shifted->AssignTo(moved);
    ASSERT_EQ(moved.Width(), 50);
    EXPECT_EQ(pixelAt(moved, 0, 0), 0u);
    EXPECT_EQ(pixelAt(moved, 2, 0), pixelAt(*a, 0, 0));

    // Without a root the picture becomes empty; into the root itself nothing happens.
    TPngImage empty;
    empty.MakeBlank(6, 8, 4, 4, false, true);
    reference({u"imgname=images/nothing.png"})->AssignTo(empty);
    EXPECT_TRUE(empty.Empty());
    reference({u"imgname=images/a.png", u"imgrect=0,0,5,5"})->AssignTo(*a);
    EXPECT_EQ(a->Width(), 50);
}

TEST_F(RdgImage, DestroyedTargetDetachesItsReferences) {
    auto r = reference({u"imgname=images/a.png"});
    ASSERT_EQ(r->Width(), 50);
    EXPECT_EQ(r->ImgLnk(), a);
    EXPECT_EQ(a->LinkCount(), 1);
    int heard = 0;
    r->OnChange = [&](TGraphic*) { ++heard; };
    resolver.drop(u"images/a.png");
    EXPECT_EQ(r->ImgLnk(), nullptr);
    EXPECT_GT(heard, 0);
    EXPECT_EQ(r->RootPngLnk(), nullptr);
    EXPECT_EQ(r->Width(), 0);

    // A reference that goes away leaves the picture's link list.
    TPngImage* b = resolver.add(u"images/b.png", coordPicture(2, 2));
    auto gone = reference({u"imgname=images/b.png"});
    gone->Width();
    EXPECT_EQ(b->LinkCount(), 1);
    gone.reset();
    EXPECT_EQ(b->LinkCount(), 0);
}

TEST_F(RdgImage, ReferencesThatRedrawWhileTheirPictureGoesNeverKeepIt) {
    // reference -> definition -> picture. The reference redraws (takes its root) as soon as
    // it hears a change; when the picture goes, that redraw must no longer reach it.
    definition(u"[def]", {u"imgname=images/a.png"});
    auto r = reference({u"imgname=[def]"});
    ASSERT_EQ(r->RootPngLnk(), a);
    TPngImage* seen = a;
    r->OnChange = [&](TGraphic*) { seen = r->RootPngLnk(); };
    resolver.drop(u"images/a.png");
    EXPECT_EQ(seen, nullptr);
    EXPECT_EQ(r->RootPngLnk(), nullptr);
    EXPECT_EQ(r->Width(), 0);
}

TEST_F(RdgImage, LinksThatLeadBackAreRefused) {
    definition(u"[self]", {u"imgname=[self]"});
    definition(u"[x]", {u"imgname=[y]"});
    definition(u"[y]", {u"imgname=[x]"});
    for (const char16_t* name : {u"imgname=[self]", u"imgname=[x]"}) {
        auto r = reference({name});
        EXPECT_EQ(r->Width(), 0);
        EXPECT_EQ(r->RootPngLnk(), nullptr);
        auto dst = target(2, 2);
        DrawDesignGraphic(r.get(), RECT{0, 0, 2, 2}, nullptr, nullptr, dst.get());
    }
}

TEST_F(RdgImage, AssignCopiesOrResets) {
    auto src =
        reference({u"imgname=images/a.png", u"imgrect!=1,2,11,22", u"imgalpha!=9", u"imgopt!=3,3,3,3,2"});
    ASSERT_EQ(src->RootPngLnk(), a);
    TRdgImage copy;
    copy.Assign(src.get());
    EXPECT_EQ(copy.ImgLnk(), a);
    EXPECT_EQ(copy.ImgName(), u"images/a.png");
    EXPECT_EQ(copy.Width(), 10);
    EXPECT_EQ(copy.AlphaBlendValue(), 9);
    EXPECT_EQ(copy.ImgOpt()->StretchMode(), vell::design::sdmFill);
    EXPECT_EQ(copy.SaveToStrings(), src->SaveToStrings());

    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
    EXPECT_FALSE(copy.CustomValues());
    EXPECT_EQ(a->LinkCount(), 1);
    EXPECT_THROW(copy.Assign(a), vell::Exception);
}

TEST_F(RdgImage, RdgStreamRoundTrip) {
    auto r = reference({u"imgname=images/a.png", u"imgrect!=1,2,3,4", u"imgopt!=4,4,4,4,1", u"tag=kept"});
    vell::TMemoryStream stream;
    r->SaveToStream(stream);
    EXPECT_EQ(stream.Bytes().substr(0, 3), "\xEF\xBB\xBF");
    stream.SetPosition(0);
    TRdgImage back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.SaveToStrings(), r->SaveToStrings());
    EXPECT_EQ(back.SrcClip(), (ClipRect{1, 2, 3, 4}));
    EXPECT_EQ(back.ImgOpt()->Left(), 4);
}

TEST_F(RdgImage, OptionsWithoutMarginsAreDrawnWhole) {
    // A stretch mode without margins draws the clip region stretched, like no option.
    auto r = reference({u"imgname=images/a.png", u"imgrect=0,0,10,10", u"imgopt!=0,0,0,0,1"});
    auto dst = std::make_unique<TPngImage>();
    dst->MakeBlank(6, 8, 20, 20, true, true);
    HDC dc = dst->CanvasHandle();
    ASSERT_NE(dc, nullptr);
    r->Draw(dc, RECT{0, 0, 20, 20});
    ::GdiFlush();
    EXPECT_EQ(pixelAt(*dst, 19, 19), pixelAt(*a, 9, 9));

    // With margins the pieces come through the reference's own clip.
    auto sliced = reference({u"imgname=images/a.png", u"imgrect=8,8,40,40", u"imgopt!=4,4,4,4,1"});
    auto into = target(64, 64);
    DrawDesignGraphic(sliced.get(), RECT{0, 0, 64, 64}, nullptr, sliced->ImgOpt(), into.get());
    EXPECT_EQ(pixelAt(*into, 0, 0), pixelAt(*a, 8, 8));
    EXPECT_EQ(pixelAt(*into, 63, 63), pixelAt(*a, 39, 39));
    EXPECT_EQ(pixelAt(*into, 63, 0), pixelAt(*a, 39, 8));

    // Blended with no option of the caller's, the reference still slices by its own.
    vell::design::TDesignRect none;
    const BLENDFUNCTION opaque{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (const bool intoImage : {true, false}) {
        SCOPED_TRACE(intoImage ? "into an image" : "onto a DC");
        auto blended = target(64, 64);
        DrawDesignGraphicBlend(opaque, sliced.get(), intoImage ? nullptr : blended->CanvasHandle(), &none,
                               RECT{0, 0, 64, 64}, intoImage ? blended.get() : nullptr);
        ::GdiFlush();
        EXPECT_EQ(pixelAt(*blended, 1, 1), pixelAt(*a, 9, 9));
        EXPECT_EQ(pixelAt(*blended, 62, 62), pixelAt(*a, 38, 38));
        EXPECT_EQ(pixelAt(*blended, 62, 1), pixelAt(*a, 38, 9));
    }
}

TEST_F(RdgImage, ForcedNotEmptyOptionTakesThirds) {
    auto r = reference({u"imgname=images/a.png", u"imgrect=0,0,30,12"});
    r->ImgOpt()->SetEmpty(false);
    EXPECT_TRUE(r->ImgOptCustom());
    EXPECT_EQ(r->ImgOpt()->Left(), 10);
    EXPECT_EQ(r->ImgOpt()->Bottom(), 4);
    r->SetImgOpt(nullptr);
    EXPECT_FALSE(r->ImgOptCustom());
    EXPECT_TRUE(r->ImgOpt()->Empty());
}

TEST_F(RdgImage, BrokenTextNeverFails) {
    const std::vector<std::vector<std::u16string>> texts = {
        {u"imgname=images/a.png", u"imgrect=x,,-5", u"imgalpha=zz", u"imgsmooth=9", u"duration=abc"},
        {u"imgname=images/a.png", u"imgopt=99999999,-5,abc,1000000000,77"},
        {u"imgname=images/a.png", u"imgrect=30,30,10,10"},
        {u"imgname=images/a.png", u"imgrect=-2147483648,-2147483648,2147483647,2147483647"},
        {u"imgname=images/a.png", u"imgrect=0,0,2000000000,5"},
        {u"imgname=images/a.png", u"imgopt=-1000,-2000,-1000,-2000,1", u"imgalpha=-77"},
        {u"imgname=images/f_%s%n%d.png<0-3,x,9-,d=>", u"duration=-5"},
        {u"imgname=", u"=", u"no separator"},
    };
    for (const auto& text : texts) {
        auto r = reference(text);
        const int w = r->Width(), h = r->Height();
        EXPECT_GE(w, 0);
        EXPECT_GE(h, 0);
        for (int y = -1; y < 3; ++y)
            r->GetScanline(y), r->GetAlphaScanline(y), r->GetPixels(1, y);
        auto dst = target(32, 32);
        DrawDesignGraphic(r.get(), RECT{0, 0, 32, 32}, nullptr, r->ImgOpt(), dst.get());
        TPngImage out;
        r->AssignTo(out);
        r->SaveToStrings();
    }
}
