// The box on a large screen (run on a 3840x2160 display; skipped on smaller ones): twice
// its size and centred; the large skin's pictures where the layout puts them and nothing
// outside the panel's picture; its text lines at twice the font height, each centred,
// wrapped at word boundaries, drawn right to left where the language reads so, in the
// skin's colour.
#include "box_geometry.h"
#include "box_session.h"
#include "core/png/codec.h"

#include <gtest/gtest.h>

#include <functional>

using namespace boxtest;
using loadertest::Utf8ToWide;
using loadertest::WideToUtf8;

namespace {

constexpr int kScale = 2;

vell::png::BgraImage skinPicture(const wchar_t* skin, const wchar_t* name) {
    const std::string file =
        loadertest::ReadBytes(std::wstring(L"" VELL_SOURCE_DIR L"\\skins\\") + skin + L"\\images\\" + name);
    return vell::png::decodeToBgra({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
}

// The pixels of `from` (a rectangle of `picture`) drawn 1:1 with their top left at `at`, over
// what `under` gives for a screen point: how many differ from the screen by more than
// `tolerance` in some channel. The screen shows the layer's premultiplied colours as they
// are (there is no compositor), so a fully transparent pixel reads black.
int mismatches(const Shot& shot, const vell::png::BgraImage& picture, const RECT& from, POINT at,
               const std::function<uint32_t(int, int)>& under, int tolerance) {
    int bad = 0;
    for (int y = from.top; y < from.bottom; ++y)
        for (int x = from.left; x < from.right; ++x) {
            const uint8_t* p = &picture.pixels[(size_t(y) * picture.width + size_t(x)) * 4];
            const int sx = at.x + x - from.left, sy = at.y + y - from.top;
            const uint32_t below = under(sx, sy), seen = shot.At(sx, sy);
            for (int c = 0; c < 3; ++c) {
                const int expected = p[c] + int((below >> (8 * c)) & 255) * (255 - p[3]) / 255;
                if (std::abs(expected - int((seen >> (8 * c)) & 255)) > tolerance) {
                    ++bad;
                    break;
                }
            }
        }
    return bad;
}

void expectLargePictures(const Shot& shot, const RECT& box) {
    // The panel's corners keep their 16 pixels: drawn 1:1 over nothing.
    const vell::png::BgraImage panel = skinPicture(L"black2", L"img_preview_pannel.png");
    ASSERT_EQ(panel.width, 128u);
    const int pw = int(panel.width), ph = int(panel.height);
    const auto nothing = [](int, int) { return 0u; };
    for (const auto& [from, at] :
         {std::pair{RECT{0, 0, 16, 16}, POINT{box.left, box.top}},
          std::pair{RECT{pw - 16, 0, pw, 16}, POINT{box.right - 16, box.top}},
          std::pair{RECT{0, ph - 16, 16, ph}, POINT{box.left, box.bottom - 16}},
          std::pair{RECT{pw - 16, ph - 16, pw, ph}, POINT{box.right - 16, box.bottom - 16}}})
        EXPECT_EQ(mismatches(shot, panel, from, at, nothing, 3), 0)
            << "corner at " << Describe(RECT{at.x, at.y, at.x + 16, at.y + 16});

    // The icon: its whole picture (160x160 in the large skin) at the doubled place
    // (480, 112), over the panel as it shows just left of the icon on the same row.
    const vell::png::BgraImage icon = skinPicture(L"black2", L"app_icon_tip.png");
    ASSERT_EQ(icon.width, 160u);
    const POINT at{box.left + 240 * kScale, box.top + 56 * kScale};
    const auto panelLeftOfIcon = [&](int, int y) { return shot.At(at.x - 8, y); };
    const RECT whole{0, 0, LONG(icon.width), LONG(icon.height)};
    EXPECT_EQ(mismatches(shot, icon, whole, at, panelLeftOfIcon, 4), 0);
    // One pixel off in any direction and the picture no longer matches.
    for (POINT off : {POINT{1, 0}, POINT{0, 1}, POINT{-1, 0}, POINT{0, -1}})
        EXPECT_GT(mismatches(shot, icon, whole, POINT{at.x + off.x, at.y + off.y}, panelLeftOfIcon, 4), 100);
}

} // namespace

TEST(LargeScreen, TheBoxAsDesignedAtTwiceItsSize) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    if (sw < 3000) GTEST_SKIP() << "needs a large screen (VELL_SCREEN=3840x2160)";
    RECT box{};
    const Shot empty = ShowEmptyLine(&box);
    ASSERT_FALSE(empty.pixels.empty());
    const RECT centred = CentredBox(sw, sh, kScale);
    EXPECT_TRUE(EqualRect(&box, &centred)) << Describe(box) << ", centred is " << Describe(centred);
    expectLargePictures(empty, box);

    struct Case {
        const char* argument2;
        const wchar_t* language;
        const char* expected; // UTF-8; null: the Wrapping line
        size_t lines;
    };
    const Case cases[] = {
        {"Init", L"", "Launching Vellora...", 1},
        {"Init", L"Wrapping", nullptr, 2},
        {"Change", L"Arabic",
         "\xD8\xAA\xD8\xAA\xD8\xBA\xD9\x8A\xD9\x91\xD8\xB1 "
         "\xD8\xA5\xD8\xB9\xD8\xAF\xD8\xA7\xD8\xAF\xD8\xA7\xD8\xAA "
         "\xD8\xA7\xD9\x84\xD8\xB4\xD8\xA7\xD8\xB4\xD8\xA9. \xD8\xAC\xD8\xA7\xD8\xB1\xD9\x8D "
         "\xD8\xA5\xD8\xB9\xD8\xA7\xD8\xAF\xD8\xA9 \xD8\xAA\xD9\x87\xD9\x8A\xD8\xA6\xD8\xA9 Vellora...",
         1},
        {"Init", L"Hebrew", "\xD7\x9E\xD7\xA4\xD7\xA2\xD7\x99\xD7\x9C \xD7\x90\xD7\xAA Vellora...", 1},
    };
    const RECT label = LabelArea(box, kScale);
    const int labelWidth = label.right - label.left;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.argument2) + " / " + WideToUtf8(c.language));
        // Nothing but the text line changes, not even faintly.
        const Shot shot = ShowLine(c.argument2, c.language, empty, box, label, 8);
        if (shot.pixels.empty()) continue;

        const std::wstring text = Utf8ToWide(c.expected ? c.expected : WrappingLine());
        const std::vector<RECT> lines = InkLines(empty, shot, label);
        ASSERT_EQ(lines.size(), c.lines);
        const TextMask platform = PlatformText(text, labelWidth, -30);
        RECT ink{};
        for (const RECT& line : lines) {
            // Each line centred within a pixel: equal margins left and right of its text
            // pixels (give or take the faint edge pixels this look does not count as ink).
            EXPECT_NEAR(line.left - label.left, label.right - line.right, 2) << "line " << Describe(line);
            UnionRect(&ink, &ink, &line);
        }
        // Twice the font height: the block is as tall as the platform's drawing at -30.
        EXPECT_NEAR(ink.bottom - ink.top, platform.bounds.bottom - platform.bounds.top, 2) << Describe(ink);
        // The same glyphs in the same order as the platform draws them, which is right to
        // left for Arabic and Hebrew (and a wrapped text breaks where the platform breaks it).
        EXPECT_GT(InkAgreement(empty, shot, ink, platform), 0.8) << Describe(ink);
        ExpectSkinTextColour(shot, ink);
    }
}

TEST(LargeScreen, WithoutTheLargeSkinTheBoxIsDoubledWithTheNormalSkin) {
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    if (sw < 3000) GTEST_SKIP() << "needs a large screen (VELL_SCREEN=3840x2160)";
    RECT box{};
    const Shot shot = ShowAndCapture(L"VLR", &box, ProductFolderWithoutLargeSkin());
    ASSERT_FALSE(shot.pixels.empty());
    const RECT centred = CentredBox(sw, sh, 2);
    EXPECT_TRUE(EqualRect(&box, &centred)) << Describe(box);
    // The normal skin's 80x80 icon drawn from the doubled position (480, 112): its middle
    // is at (520, 152), and the large icon's middle (560, 192) shows the panel.
    const uint32_t iconMiddle = shot.At(box.left + 520, box.top + 152);
    EXPECT_NEAR(int((iconMiddle >> 16) & 255), 53, 4);
    EXPECT_NEAR(int((iconMiddle >> 8) & 255), 152, 4);
    EXPECT_NEAR(int(iconMiddle & 255), 216, 4);
    EXPECT_EQ(shot.At(box.left + 560, box.top + 192), shot.At(box.left + 60, box.top + 240)) << "panel";
}
