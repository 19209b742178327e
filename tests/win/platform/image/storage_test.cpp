#include "core/image/errors.h"
#include "core/image/layout.h"
#include "image_helpers.h"
#include "platform/image/dc_registry.h"
#include "platform/image/png_canvas.h"
#include "platform/image/png_image_data.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace vell;
using namespace vell::image;
using namespace vell::image::test;

TEST(PngImageMakeBlank, SpecsAndLayouts) {
    struct Case {
        int type, depth;
        bool valid;
        int bitCount, depthStored;
    };
    const Case cases[] = {
        {0, 2, true, 4, 4},  {0, 1, true, 1, 1},   {3, 8, true, 8, 8},    {4, 8, true, 8, 8},
        {2, 8, true, 24, 8}, {6, 8, true, 32, 8},  {6, 16, true, 32, 16}, {0, 16, true, 8, 16},
        {2, 4, false, 0, 0}, {3, 16, false, 0, 0}, {5, 8, false, 0, 0},   {0, 3, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " depth " << c.depth);
        TPngImage img;
        if (!c.valid) {
            try {
                img.MakeBlank(c.type, c.depth, 4, 4, false, true);
                ADD_FAILURE() << "no exception";
            } catch (const EPNGInvalidSpec& e) {
                EXPECT_EQ(std::string(e.what()), std::string("2.701 ") + msg::kInvalidSpec);
            }
            EXPECT_TRUE(img.Empty());
            continue;
        }
        img.MakeBlank(c.type, c.depth, 4, 3, false, true);
        EXPECT_EQ(img.Header()->BitCount(), c.bitCount);
        EXPECT_EQ(img.Header()->IHDRData.BitDepth, c.depthStored);
        EXPECT_EQ(img.Width(), 4);
        EXPECT_EQ(img.Height(), 3);
        EXPECT_EQ(img.BytesPerRow(), dibStride(c.bitCount, 4));
        EXPECT_EQ(img.GetAlphaScanline(0) != nullptr, c.type == 4);
        EXPECT_EQ(img.GetExtraScanline(0) != nullptr, c.depth == 16);
        EXPECT_EQ(img.Chunks().ItemFromClass<TChunkPLTE>() != nullptr, c.type == 3);
    }
    TPngImage neg;
    EXPECT_THROW(neg.MakeBlank(6, 8, -1, 4, false, true), EPNGInvalidNewSize);
}

TEST(PngImageMakeBlank, GreyRampOfTwoBitImage) {
    auto img = blank(0, 2, 4, 1);
    const RGBQUAD* table = img->Header()->BitmapInfo.bmiColors;
    EXPECT_EQ(img->Header()->BitmapInfo.bmiHeader.biClrUsed, 16u);
    EXPECT_EQ(table[0].rgbRed, 0);
    EXPECT_EQ(table[15].rgbRed, 255);
    EXPECT_EQ(table[5].rgbGreen, 85);
}

TEST(PngImageResize, ZeroAndNegativeSizes) {
    auto img = blank(6, 8, 10, 10);
    img->Resize(0, 10);
    EXPECT_EQ(img->Width(), 0);
    EXPECT_EQ(img->Height(), 0);
    EXPECT_TRUE(img->Empty());
    try {
        img->Resize(-1, 5);
        FAIL() << "no exception";
    } catch (const EPNGInvalidNewSize& e) {
        EXPECT_STREQ(e.what(), "2.701 The new size provided for image resizing is invalid.");
    }
}

TEST(PngImageResize, OffsetMovesColumnsAndFillsNewAlpha) {
    // Columns 0..4 get old columns 5..9; columns 5..9 are 0, and the alpha plane newAlpha.
    for (bool rgb32 : {false, true}) {
        SCOPED_TRACE(rgb32 ? "32-bit" : "24-bit with alpha plane");
        auto img = blank(6, 8, 10, 2, false, rgb32);
        for (int x = 0; x < 10; ++x) {
            img->SetPixels(x, 0, TColor(0x80000000u | x));
            if (!rgb32) img->GetAlphaScanline(0)[x] = uint8_t(100 + x);
        }
        img->Resize(10, 2, 33, false, 5, 0);
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(img->GetPixels(x, 0) & 0xFF, uint32_t(x + 5));
        for (int x = 5; x < 10; ++x)
            EXPECT_EQ(img->GetPixels(x, 0), 0u) << x;
        if (!rgb32) {
            EXPECT_EQ(img->GetAlphaScanline(0)[0], 105);
            EXPECT_EQ(img->GetAlphaScanline(0)[7], 33);
            EXPECT_EQ(img->GetAlphaScanline(1)[0], 0);
        } else {
            EXPECT_EQ(img->GetPixels(0, 0) >> 24, 0x80u);
        }
    }
}

TEST(PngImageResize, GrowShrinkAndPackedLayouts) {
    auto img = blank(2, 8, 3, 3);
    img->SetPixels(2, 2, 0x00123456);
    img->Resize(7, 5);
    EXPECT_EQ(img->GetPixels(2, 2), 0x00123456u);
    EXPECT_EQ(img->GetPixels(6, 4), 0u);
    EXPECT_EQ(img->BytesPerRow(), 24u);
    img->Resize(3, 3); // shrinks in place
    EXPECT_EQ(img->GetPixels(2, 2), 0x00123456u);
    EXPECT_EQ(img->BytesPerRow(), 12u);

    // 1-bit indices shifted by a non-byte offset.
    auto bits = blank(0, 1, 16, 1);
    uint8_t* row = static_cast<uint8_t*>(bits->GetScanline(0));
    row[0] = 0b10100000;
    bits->Resize(16, 1, 0, false, 2, 0);
    EXPECT_EQ(static_cast<uint8_t*>(bits->GetScanline(0))[0], 0b10000000);
}

TEST(PngImageFillRect, ClipsAndFillsAlphaPlane) {
    auto img = blank(6, 8, 4, 3, false, false); // 24-bit colour with an alpha plane
    img->FillRect(RECT{10, 10, 20, 20}, 0xFFFFFFFF);
    img->FillRect(RECT{-5, 5, 3, 9}, 0xFFFFFFFF);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(img->GetPixels(0, y), 0u);
    img->FillRect(RECT{-2, 1, 2, 2}, 0x7F010203);
    EXPECT_EQ(img->GetPixels(1, 1), 0x00030201u);
    EXPECT_EQ(img->GetAlphaScanline(1)[1], 0x7F);
    EXPECT_EQ(img->GetAlphaScanline(1)[2], 0);
    EXPECT_EQ(img->GetAlphaScanline(0)[0], 0);
    EXPECT_EQ(img->GetPixels(2, 1), 0u);

    auto img32 = blank(6, 8, 3, 3);
    img32->FillRect(RECT{0, 0, 3, 3}, 0x80402010);
    EXPECT_EQ(img32->GetPixels(2, 2), 0x80102040u);
}

TEST(PngImageAlpha, PremultiplyRoundTrip) {
    for (bool rgb32 : {false, true}) {
        auto img = blank(6, 8, 2, 1, false, rgb32);
        img->SetAlphaPreMultiplied(false);
        uint8_t* p0 = px(*img, 0, 0);
        uint8_t* p1 = px(*img, 1, 0);
        std::memset(p0, 200, 3);
        std::memset(p1, 90, 3);
        if (rgb32) {
            p0[3] = 128;
            p1[3] = 0;
        } else {
            img->GetAlphaScanline(0)[0] = 128;
            img->GetAlphaScanline(0)[1] = 0;
        }
        img->PreMultiplyAlpha();
        EXPECT_EQ(img->AlphaMode, pamPremultiplied);
        EXPECT_EQ(p0[0], 100);
        EXPECT_EQ(p1[1], 0);
        img->PreMultiplyAlpha(); // already premultiplied: nothing changes
        EXPECT_EQ(p0[0], 100);
        img->UnPreMultiplyAlpha();
        EXPECT_EQ(img->AlphaMode, pamDefined);
        EXPECT_EQ(p0[2], 199);
        EXPECT_EQ(p1[2], 0);
    }
}

TEST(PngImageAlpha, UnpremultiplyInvertsTransparentPixels) {
    auto img = blank(6, 8, 3, 1);
    img->FillRect(RECT{0, 0, 3, 1}, 0x00302010);
    img->FillRect(RECT{2, 0, 3, 1}, 0x80302010);
    img->AlphaMode = pamPremultiplied;
    img->UnPreMultiplyAlpha(true);
    EXPECT_EQ(img->GetPixels(0, 0), 0xFF102030u);
    EXPECT_EQ(img->GetPixels(1, 0), 0xFF102030u);
    EXPECT_EQ(img->GetPixels(2, 0) >> 24, 0x80u);
}

TEST(PngImageAlpha, ConvertTo32Bit) {
    // 24-bit with an alpha plane widens in place and keeps its alpha.
    auto rgba = blank(6, 8, 3, 2, false, false);
    rgba->FillRect(RECT{0, 0, 3, 2}, 0x40ABCDEF);
    EXPECT_TRUE(rgba->ConvertTo32Bit());
    EXPECT_EQ(rgba->Header()->BitCount(), 32);
    EXPECT_EQ(rgba->BytesPerRow(), 12u);
    EXPECT_EQ(rgba->GetPixels(2, 1), 0x40EFCDABu);
    EXPECT_EQ(rgba->GetAlphaScanline(0), nullptr);

    // Truecolour without alpha becomes opaque and premultiplied.
    auto rgb = blank(2, 8, 2, 2);
    rgb->SetPixels(1, 1, 0x00112233);
    EXPECT_TRUE(rgb->ConvertTo32Bit());
    EXPECT_EQ(rgb->Header()->IHDRData.ColorType, 6);
    EXPECT_EQ(rgb->AlphaMode, pamPremultiplied);
    EXPECT_EQ(rgb->GetPixels(1, 1), 0xFF112233u);

    // Grey with alpha goes through its table and is premultiplied.
    auto grey = blank(4, 8, 1, 1);
    static_cast<uint8_t*>(grey->GetScanline(0))[0] = 200;
    grey->GetAlphaScanline(0)[0] = 128;
    EXPECT_TRUE(grey->ConvertTo32Bit());
    EXPECT_EQ(grey->GetPixels(0, 0), 0x80646464u);

    TPngImage empty;
    EXPECT_FALSE(empty.ConvertTo32Bit());
}

TEST(PngImageAlpha, TransparencyModesAndAlphaCreation) {
    auto rgb = blank(2, 8, 2, 2);
    EXPECT_EQ(rgb->TransparencyMode(), ptmNone);
    EXPECT_EQ(rgb->TransparentColor(), 0xFF000000u);
    rgb->CreateAlpha(77);
    EXPECT_EQ(rgb->Header()->IHDRData.ColorType, 6);
    EXPECT_EQ(rgb->GetAlphaScanline(1)[1], 77);
    EXPECT_EQ(rgb->TransparencyMode(), ptmPartial);
    EXPECT_THROW(rgb->SetTransparentColor(0), EPNGCannotChangeTransparent);
    rgb->RemoveTransparency();
    EXPECT_EQ(rgb->Header()->IHDRData.ColorType, 2);
    EXPECT_EQ(rgb->GetAlphaScanline(0), nullptr);
    EXPECT_EQ(rgb->AlphaMode, pamUnknown);

    auto img32 = blank(6, 8, 2, 1);
    img32->FillRect(RECT{0, 0, 2, 1}, 0x80112233);
    img32->RemoveTransparency();
    EXPECT_EQ(img32->Header()->BitCount(), 24);
    EXPECT_EQ(img32->GetPixels(1, 0), 0x00332211u);
    EXPECT_FALSE(img32->Transparent());
    img32->SetAlphaBlendValue(200);
    EXPECT_TRUE(img32->Transparent());
}

TEST(PngImageRefCount, AddRefThenFreeTwice) {
    auto* img = new TPngImage;
    img->MakeBlank(6, 8, 2, 2, false, true);
    Linker link(img); // hears the image's destruction
    EXPECT_EQ(img->AddRef(), 2);
    img->Free();
    EXPECT_EQ(link.heard, 0);
    EXPECT_EQ(link.target(), img);
    img->Free();
    EXPECT_EQ(link.heard, 1);
    EXPECT_EQ(link.lastFlag, -1);
    EXPECT_EQ(link.target(), nullptr);
}

TEST(PngImageRefCount, OnlyExactPngImages) {
    auto img = blank(6, 8, 1, 1);
    Linker other(img.get());
    try {
        TPngImage::AddRefOf(&other);
        FAIL();
    } catch (const EPngError& e) {
        EXPECT_STREQ(e.what(), "2.701 only support TPngimage! ");
    }
    EXPECT_EQ(TPngImage::AddRefOf(img.get()), 2);
    EXPECT_EQ(TPngImage::ReleaseRefOf(img.get()), 1);
}

TEST(PngImageRefCount, SavedDCRestoredAtTheMatchingRelease) {
    auto img = blank(6, 8, 4, 4, true);
    HDC dc = img->CanvasHandle();
    ASSERT_NE(dc, nullptr);
    img->AddRef(true); // count 2, the DC state saved for the first reference
    ::SetTextColor(dc, RGB(1, 2, 3));
    img->AddRef(true); // already saved: no second save
    img->ReleaseRef();
    EXPECT_EQ(::GetTextColor(dc), RGB(1, 2, 3));
    img->ReleaseRef(); // back to 1: restored
    EXPECT_NE(::GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(img->RefSaveDC, 0);
}

TEST(PngImageLinks, ChangesReachLinkedGraphics) {
    auto img = blank(6, 8, 2, 2);
    Linker a(img.get()), b(img.get());
    int fired = 0;
    img->OnChange = [&](TGraphic* s) { fired += s == img.get(); };
    img->FillRect(RECT{0, 0, 1, 1}, 1);
    EXPECT_EQ(a.heard, 1);
    EXPECT_EQ(b.lastSender, img.get());
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(img->Modified());
    img->ChangedEx(1, nullptr);
    EXPECT_FALSE(img->Modified());
    bool yes = true;
    img->ChangedEx(reinterpret_cast<intptr_t>(&yes), &a);
    EXPECT_TRUE(img->Modified());
    EXPECT_EQ(b.lastSender, &a);
    EXPECT_EQ(img->LinkCount(), 2);
}

namespace {
// A graphic whose link list is closed on demand, as its destructor closes it.
struct ClosingTarget : Linker {
    explicit ClosingTarget(TRdGraphic* t) : Linker(t) {}
    using TRdGraphic::UnlinkAll;
};
} // namespace

// References on another thread link and unlink while the target closes its list: every
// call either finds the list or the closed mark, never a list that has been freed.
TEST(PngImageLinks, ListClosedWhileAnotherThreadLinks) {
    auto anchor = blank(6, 8, 1, 1);
    for (int round = 0; round < 200; ++round) {
        ClosingTarget target(anchor.get());
        std::atomic<bool> started{false};
        std::thread other([&] {
            started = true;
            for (int i = 0; i < 200; ++i) {
                Linker probe(&target);
                target.LinkCount();
            }
        });
        while (!started)
            std::this_thread::yield();
        target.UnlinkAll();
        other.join();
        EXPECT_EQ(target.LinkCount(), 0);
        EXPECT_FALSE(target.AddLink(&target));
    }
}

TEST(PngImageDC, GdiDrawsIntoThePixelsAndDetachKeepsThem) {
    auto img = blank(6, 8, 8, 8, false);
    EXPECT_FALSE(img->HasCanvasHandle());
    img->FillRect(RECT{0, 0, 8, 8}, 0xFF000000);
    HDC dc = img->Canvas().Handle();
    ASSERT_NE(dc, nullptr);
    EXPECT_FALSE(img->Header()->MemImageData);
    EXPECT_EQ(img->GetPixels(3, 3), 0xFF000000u); // heap pixels moved into the DIB section
    win::UniqueBrush brush(::CreateSolidBrush(RGB(255, 0, 0)));
    RECT r{2, 2, 4, 4};
    ::FillRect(dc, &r, brush.get());
    ::GdiFlush();
    EXPECT_EQ(img->GetPixels(2, 2) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img->GetPixels(5, 5), 0xFF000000u);
    img->Canvas().Detach();
    EXPECT_FALSE(img->HasCanvasHandle());
    EXPECT_TRUE(img->Header()->MemImageData);
    EXPECT_EQ(img->GetPixels(3, 3) & 0xFFFFFF, 0x0000FFu);
    // Resizing a DC image keeps it one, with the pixels in place.
    dc = img->CanvasHandle();
    img->Resize(12, 6);
    ASSERT_TRUE(img->HasCanvasHandle());
    EXPECT_EQ(img->GetPixels(3, 3) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(img->GetPixels(11, 5), 0u);
}

TEST(PngImageDC, AlphaDCRegistry) {
    auto img = blank(6, 8, 4, 4, true);
    HDC dc = img->CanvasHandle();
    EXPECT_TRUE(TPngImage::IsAlphaDC(dc));
    img->AlphaMode = pamIgnore;
    EXPECT_FALSE(TPngImage::IsAlphaDC(dc));
    img->AlphaMode = pamUnknown;
    auto rgb = blank(2, 8, 4, 4, true);
    EXPECT_FALSE(TPngImage::IsAlphaDC(rgb->CanvasHandle()));
    img->Canvas().Detach();
    EXPECT_FALSE(TPngImage::IsAlphaDC(dc)); // the DC is gone from the registry
}

TEST(PngImageBlankCache, ReuseAndViewSize) {
    TPngImage::ClearBlankImageCache();
    TPngImage* a = TPngImage::CreateBlank(6, 8, 10, 10, true, true, true, false);
    TPngImage* b = TPngImage::CreateBlank(6, 8, 10, 10, true, true, true, false);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->Width(), 110); // 10 + max(10 / 3, 100)
    EXPECT_EQ(a->ViewWidth, 10);
    a->FillRect(RECT{0, 0, 110, 110}, 0xFFFFFFFF);
    a->Free();
    TPngImage* c = TPngImage::CreateBlank(6, 8, 5, 5, true, true, true, false);
    EXPECT_EQ(c, a);
    EXPECT_EQ(c->ViewWidth, 5);
    EXPECT_EQ(c->ViewHeight, 5);
    EXPECT_EQ(c->GetPixels(4, 4), 0u);
    EXPECT_EQ(c->GetPixels(5, 5), 0xFFFFFFFFu); // outside the asked area: not erased
    EXPECT_TRUE(TPngImage::IsAlphaDC(c->CanvasHandle()));
    c->Free();
    b->Free();

    TPngImage* big = TPngImage::CreateBlank(6, 8, 40, 300, false, true, true, false);
    EXPECT_EQ(big->Width(), 140);
    EXPECT_EQ(big->Height(), 400);
    big->Free();
    TPngImage::ClearBlankImageCache();
}

TEST(PngImageBlankCache, FullCacheReplacesAFreeSlot) {
    TPngImage::ClearBlankImageCache();
    std::vector<TPngImage*> held;
    for (int i = 0; i < 8; ++i)
        held.push_back(TPngImage::CreateBlank(2, 8, 10 + i, 10, false, true, false, false));
    for (int i = 1; i < 8; ++i)
        held[i]->Free(); // slot 0 stays in use
    TPngImage* extra = TPngImage::CreateBlank(0, 8, 1, 1, false, true, false, false);
    // Another request of the first kind finds a cached one, not the victim (slot 1, the smallest free).
    TPngImage* again = TPngImage::CreateBlank(2, 8, 10, 10, false, true, false, false);
    EXPECT_NE(again, held[0]);
    EXPECT_EQ(again->Width(), 112);
    again->Free();
    extra->Free();
    held[0]->Free();
    TPngImage::ClearBlankImageCache();
}

TEST(PngImageShare, AssignSharesAndWritesUnshare) {
    auto a = blank(6, 8, 3, 3, false, true);
    a->FillRect(RECT{0, 0, 3, 3}, 0xFF102030);
    TPngImage b;
    b.Assign(a.get());
    ASSERT_NE(a->SharedData(), nullptr);
    EXPECT_EQ(a->SharedData(), b.SharedData());
    EXPECT_EQ(b.GetPixels(1, 1), 0xFF302010u);
    b.SetPixels(1, 1, 0x800000FF);
    EXPECT_EQ(b.SharedData(), nullptr);
    EXPECT_EQ(a->GetPixels(1, 1), 0xFF302010u);
    EXPECT_EQ(b.GetPixels(1, 1), 0x800000FFu);
    // a is now the store's only user: unsharing keeps its buffers.
    const void* before = a->GetScanline(0);
    a->UniquePng();
    EXPECT_EQ(a->SharedData(), nullptr);
    EXPECT_EQ(a->GetScanline(0), before);

    // Images that differ only in their alpha plane never share a store.
    auto p = blank(6, 8, 2, 1, false, false), q = blank(6, 8, 2, 1, false, false);
    p->GetAlphaScanline(0)[0] = 1;
    TPngImage pc, qc;
    pc.Assign(p.get());
    qc.Assign(q.get());
    EXPECT_NE(pc.SharedData(), qc.SharedData());
    EXPECT_EQ(qc.GetAlphaScanline(0)[0], 0);

    // A clone never shares.
    TPngImage clone;
    clone.ClonePng(a.get());
    EXPECT_EQ(clone.SharedData(), nullptr);
    EXPECT_EQ(clone.GetPixels(2, 2), 0xFF302010u);
    clone.ClonePng(nullptr);
    EXPECT_TRUE(clone.Empty());
}

TEST(PngImageHeader, MissingHeaderRaises) {
    TPngImage img;
    EXPECT_TRUE(img.Empty());
    EXPECT_TRUE(img.Transparent());
    EXPECT_EQ(img.GetScanline(0), nullptr);
    EXPECT_EQ(img.GetPixels(0, 0), 0u);
    try {
        img.Header();
        FAIL();
    } catch (const EPNGHeaderNotPresent& e) {
        EXPECT_STREQ(e.what(),
                     "2.701 This operation is not valid because the current image contains no valid header.");
    }
    img.SetSize(3, 2); // an empty image sized becomes a 32-bit one
    EXPECT_EQ(img.Header()->BitCount(), 32);
}
