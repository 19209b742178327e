// The box's text line end to end: argument 2 and the language in Config.ini choose it, it is
// laid out word-wrapped in the label's area with each line's ink centred. The ink is found
// as the difference to the same box with an empty line and measured against the platform's
// layout of the expected text in the same font.
#include "box_geometry.h"
#include "box_session.h"

#include <gtest/gtest.h>

using namespace boxtest;
using loadertest::Utf8ToWide;
using loadertest::WideToUtf8;

TEST(BoxText, FollowsArgumentTwoAndTheConfiguredLanguage) {
    struct Case {
        const char* argument2;
        const wchar_t* language; // empty: no Config.ini
        const char* expected;    // UTF-8; empty: no text; null: the Wrapping line
    };
    const Case cases[] = {
        {"Init", L"", "Launching Vellora..."},
        {"Change", L"", "Screen changing. Reconfiguring Vellora..."},
        {"ChangeInit", L"", "Launching Vellora..."}, // "Init" is looked for first
        {"display-change", L"", "Screen changing. Reconfiguring Vellora..."},
        {"Reboot", L"", ""},
        {"Init", L"French", "Lancement de Vellora..."},
        {"Change", L"German", "Bildschirm wird ge\xC3\xA4ndert. Vellora wird neu eingerichtet..."},
        {"Init", L"Arabic",
         "\xD8\xAC\xD8\xA7\xD8\xB1\xD9\x8D \xD8\xAA\xD8\xB4\xD8\xBA\xD9\x8A\xD9\x84 Vellora..."},
        {"Change", L"Hebrew",
         "\xD7\x94\xD7\x9E\xD7\xA1\xD7\x9A \xD7\x9E\xD7\xA9\xD7\xAA\xD7\xA0\xD7\x94. "
         "\xD7\x9E\xD7\x92\xD7\x93\xD7\x99\xD7\xA8 "
         "\xD7\x9E\xD7\x97\xD7\x93\xD7\xA9 \xD7\x90\xD7\xAA Vellora..."},
        {"Init", L"Wrapping", nullptr},
        {"Init", L"Klingon", "Launching Vellora..."}, // no such language file: English
        {"Init", L"Twice", "Vellora starts Vellora"},
        {"Change", L"Plain", "Please wait"},
    };

    RECT box{};
    const Shot empty = ShowEmptyLine(&box);
    ASSERT_FALSE(empty.pixels.empty());
    const RECT label = LabelArea(box, 1);

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.argument2) + " / " + WideToUtf8(c.language));
        // Nothing but the line changes.
        const Shot shot = ShowLine(c.argument2, c.language, empty, box, label, 40);
        if (shot.pixels.empty()) continue;

        const RECT ink = DifferenceBounds(empty, shot, label);
        const std::wstring expected = Utf8ToWide(c.expected ? c.expected : WrappingLine());
        if (expected.empty()) {
            EXPECT_TRUE(IsRectEmpty(&ink)) << "an empty line shows no text: " << Describe(ink);
            continue;
        }
        ASSERT_FALSE(IsRectEmpty(&ink)) << "no text drawn";
        const RECT layout = LaidOutText(expected, label.right - label.left, -15);
        const int inkW = ink.right - ink.left, inkH = ink.bottom - ink.top;
        const RECT drawn = PlatformText(expected, label.right - label.left, -15).bounds;
        EXPECT_NEAR(inkW, drawn.right - drawn.left, 8)
            << "ink " << Describe(ink) << " drawn " << Describe(drawn);
        // Each line's text pixels are centred within a pixel (give or take the faint edge
        // pixels this look does not count as ink), also where the platform measures a line
        // wider than it draws it (joined Arabic under Wine).
        for (const RECT& line : InkLines(empty, shot, label))
            EXPECT_NEAR(line.left - label.left, label.right - line.right, 2) << "line " << Describe(line);
        EXPECT_GE(ink.top, label.top);
        EXPECT_LE(inkH, layout.bottom - layout.top) << Describe(ink);
        // As many lines as the layout has (a line is a little over 15 pixels).
        EXPECT_EQ(inkH > 24, layout.bottom - layout.top > 24)
            << Describe(ink) << " layout " << Describe(layout);
    }
}
