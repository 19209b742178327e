// vskin render against the engine: the box's panel picture drawn by the host tool equals,
// pixel for pixel, what the loader draws into its layer for that picture.
#include "tests/win/rdcontrol/resource/resource_test.h"

#include "core/design/design_rect.h"
#include "core/png/codec.h"
#include "platform/image/nine_slice_draw.h"
#include "platform/image/png_image.h"
#include "platform/image/rdg_image.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>

using namespace vell;
using namespace vell::rdtest;
using rd::TResource;

namespace {

std::vector<std::uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The layer as the tool writes its picture: through the same PNG encoder.
std::vector<std::uint8_t> layerPng(image::TPngImage& layer, int w, int h) {
    ::GdiFlush();
    std::vector<std::uint8_t> rows(std::size_t(w) * std::size_t(h) * 4);
    for (int y = 0; y < h; ++y)
        std::memcpy(rows.data() + std::size_t(y) * w * 4, layer.GetScanline(y), std::size_t(w) * 4);
    return png::encodeBgra(rows.data(), w, h, std::size_t(w) * 4, true);
}

} // namespace

TEST_F(ResourceTest, VskinRenderEqualsTheLoadersLayer) {
    TResource::Register(DemoSkinFolder() + u"public.rcc", false);
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    const int w = 560, h = 240;
    struct Case {
        const char* file;     // written by the build's vskin render
        const char16_t* text; // the control's picture
        bool controlOption;   // drawn with the image control's option 16,16,16,16, else the reference's own
    } cases[] = {
        {VELL_BINARY_DIR "\\vskin-render\\panel.png", u"imgname=images/img_preview_pannel.png", true},
        {VELL_BINARY_DIR "\\vskin-render\\panel_definition.png", u"imgname=[img_preview_pannel]", false},
    };
    for (const Case& c : cases) {
        image::TPngImage* layer = image::TPngImage::CreateBlank(6, 8, w, h, true, false, true, false);
        HDC dc = layer->CanvasHandle();
        ::GdiFlush();
        for (int y = 0; y < h; ++y)
            std::memset(layer->GetScanline(y), 0, std::size_t(w) * 4);
        image::TRdgImage picture;
        picture.LoadFromStrings({c.text}, false, true);
        design::TDesignRect option;
        option.SetValue(16, 16, 16, 16);
        if (c.controlOption)
            image::DrawDesignGraphic(&picture, RECT{0, 0, w, h}, dc, &option);
        else
            picture.Draw(dc, RECT{0, 0, w, h});
        const std::vector<std::uint8_t> layerFile = layerPng(*layer, w, h);
        const std::vector<std::uint8_t> drawn = png::decodeToBgra(layerFile).pixels;
        layer->ReleaseRef();

        const std::vector<std::uint8_t> file = readFile(c.file);
        ASSERT_FALSE(file.empty()) << c.file;
        const png::BgraImage rendered = png::decodeToBgra(file);
        ASSERT_EQ(rendered.width, std::uint32_t(w));
        ASSERT_EQ(rendered.height, std::uint32_t(h));
        std::size_t differing = 0, first = 0;
        for (std::size_t i = 0; i < drawn.size(); i += 4)
            if (std::memcmp(&drawn[i], &rendered.pixels[i], 4) != 0 && differing++ == 0) first = i / 4;
        EXPECT_EQ(differing, 0u) << c.file << ": first at " << first % w << "," << first / w << ": drawn "
                                 << std::hex << *reinterpret_cast<const std::uint32_t*>(&drawn[first * 4])
                                 << ", rendered "
                                 << *reinterpret_cast<const std::uint32_t*>(&rendered.pixels[first * 4]);
        if (differing) { // the layer beside the tool's picture, for a look
            std::ofstream out(std::string(c.file) + ".layer.png", std::ios::binary);
            out.write(reinterpret_cast<const char*>(layerFile.data()), std::streamsize(layerFile.size()));
        }
        EXPECT_NE(drawn[(120 * w + 280) * 4 + 3], 0) << "the panel is drawn";
    }
}
