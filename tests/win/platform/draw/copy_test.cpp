#include "platform/image/draw_image.h"
#include "tests/win/platform/draw/draw_helpers.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vell::image;
using namespace vell::image::test;

TEST(CopyBitBlt, OtherLayoutsKeepTheirTransparency) {
    // Indexed pixels with a transparent entry become premultiplied 32-bit pixels.
    TPngImage indexed;
    indexed.MakeBlank(3, 8, 2, 1, false, false);
    indexed.CreateAlpha(255);
    TChunkIHDR* h = indexed.HeaderOrNull();
    h->BitmapInfo.bmiColors[1] = RGBQUAD{9, 8, 7, 0};
    h->ChunkTRNS->PaletteValues[0] = 0;
    static_cast<uint8_t*>(indexed.GetScanline(0))[1] = 1;
    Image32 dst(3, 1, bgra(1, 1, 1, 255));
    EXPECT_TRUE(CopyBitBlt(dst.img, indexed, 2, 1, 1, 0, 0, 0));
    EXPECT_EQ(dst.get(0, 0), bgra(1, 1, 1, 255));
    EXPECT_EQ(dst.get(1, 0), 0u); // replaced, not blended
    EXPECT_EQ(dst.get(2, 0), bgra(9, 8, 7, 255));
    EXPECT_EQ(dst.img.AlphaMode, pamPremultiplied);

    // A 4-bit grey destination becomes 32-bit to take 32-bit pixels.
    TPngImage grey;
    grey.MakeBlank(0, 4, 3, 3, false, false);
    Image32 src(2, 2, bgra(10, 20, 30, 40));
    EXPECT_TRUE(CopyBitBlt(grey, src.img, 2, 2, 1, 1, 0, 0));
    ASSERT_EQ(grey.Header()->BitCount(), 32u);
    EXPECT_EQ(*reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(grey.GetScanline(2)) + 8),
              bgra(10, 20, 30, 40));
    EXPECT_EQ(*reinterpret_cast<uint32_t*>(grey.GetScanline(0)) >> 24, 255u); // old pixels kept, opaque
}

TEST(CopyBitBlt, FromDibMemory) {
    // Bottom-up 32-bit rows: the first row in memory is the bottom one.
    const uint32_t bottomUp[] = {bgra(1, 1, 1, 10), bgra(2, 2, 2, 20), bgra(3, 3, 3, 30), bgra(4, 4, 4, 40)};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    Image32 dst(2, 2, 0);
    EXPECT_TRUE(CopyBitBlt(dst.img, bottomUp, info, 2, 2, 0, 0, 0, 0));
    EXPECT_EQ(dst.get(0, 0), bgra(3, 3, 3, 30));
    EXPECT_EQ(dst.get(1, 1), bgra(2, 2, 2, 20));

    // Top-down 24-bit rows (4-byte aligned) are made opaque.
    const uint8_t rgb24[] = {10, 20, 30, 40, 50, 60, 0, 0, 70, 80, 90, 100, 110, 120, 0, 0};
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biHeight = -2;
    Image32 from24(3, 3, bgra(5, 5, 5, 5));
    EXPECT_TRUE(CopyBitBlt(from24.img, rgb24, info, 5, 5, 1, 1, 1, 0)); // clipped to 1 x 2
    EXPECT_EQ(from24.get(1, 1), bgra(40, 50, 60, 255));
    EXPECT_EQ(from24.get(1, 2), bgra(100, 110, 120, 255));
    EXPECT_EQ(from24.get(2, 1), bgra(5, 5, 5, 5));

    // Descriptions that do not describe pixels copy nothing.
    struct Bad {
        const char* name;
        int width, height, bits;
        const void* mem;
    };
    const Bad bad[] = {{"no width", 0, 2, 32, bottomUp},
                       {"no height", 2, 0, 32, bottomUp},
                       {"odd depth", 2, 2, 7, bottomUp},
                       {"no memory", 2, 2, 32, nullptr}};
    for (const Bad& b : bad) {
        info.bmiHeader.biWidth = b.width, info.bmiHeader.biHeight = b.height,
        info.bmiHeader.biBitCount = b.bits;
        EXPECT_FALSE(CopyBitBlt(dst.img, b.mem, info, 2, 2, 0, 0, 0, 0)) << b.name;
    }
    EXPECT_EQ(dst.get(0, 0), bgra(3, 3, 3, 30));
}

TEST(CopyStretchBlt, ReplacesWithScaledPremultipliedPixels) {
    Image32 src(2, 2, bgra(0, 0, 200, 128), pamDefined);
    src.set(1, 0, bgra(0, 200, 0, 255));
    Image32 dst(6, 6, bgra(255, 255, 255, 255));
    EXPECT_TRUE(CopyStretchBlt(dst.img, src.img, -1, 1, 4, 4, 0, 0, 2, 2));
    EXPECT_EQ(dst.get(0, 1), bgra(0, 0, 100, 128)); // column 1 of the doubled picture
    EXPECT_EQ(dst.get(1, 1), bgra(0, 200, 0, 255));
    EXPECT_EQ(dst.get(2, 4), bgra(0, 0, 100, 128));
    EXPECT_EQ(dst.get(3, 1), bgra(255, 255, 255, 255));
    EXPECT_EQ(dst.get(0, 0), bgra(255, 255, 255, 255));
    EXPECT_EQ(dst.img.AlphaMode, pamPremultiplied);

    // Equal sizes copy raw; empty or inverted rectangles and targets outside copy nothing.
    EXPECT_TRUE(CopyStretchBlt(dst.img, src.img, 4, 4, 2, 2, 0, 0, 2, 2));
    EXPECT_EQ(dst.get(4, 4), bgra(0, 0, 200, 128));
    EXPECT_FALSE(CopyStretchBlt(dst.img, src.img, 0, 0, 0, 3, 0, 0, 2, 2));
    EXPECT_FALSE(CopyStretchBlt(dst.img, src.img, 0, 0, -4, 3, 0, 0, 2, 2));
    EXPECT_FALSE(CopyStretchBlt(dst.img, src.img, 0, 0, 4, 4, 0, 0, 2, -2));
    EXPECT_FALSE(CopyStretchBlt(dst.img, src.img, 6, 0, 4, 4, 0, 0, 2, 2));
    TPngImage empty;
    EXPECT_FALSE(CopyStretchBlt(empty, src.img, 0, 0, 4, 4, 0, 0, 2, 2));
}
