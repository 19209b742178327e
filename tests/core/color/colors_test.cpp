#include "core/color/colors.h"
#include "core/diag/debug_output.h"
#include "core/draw/tint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace vell;

namespace {

std::vector<std::u16string> gDebug;
void CaptureDebug(std::u16string_view text) {
    gDebug.emplace_back(text);
}

// Each test starts from a freshly merged table and no skin names.
class Colors : public testing::Test {
  protected:
    void SetUp() override {
        SkinColorNames().Clear();
        MergeVclColor();
        gDebug.clear();
        SetDebugOutputSink(CaptureDebug);
    }
    void TearDown() override {
        SetDebugOutputSink(nullptr);
        SetDesignMode(false);
        SetSystemColorProvider(nullptr);
    }
};

// A name no earlier test (or earlier repetition) has entered into the process-wide table.
std::u16string FreshName(std::u16string_view stem) {
    static int n = 0;
    std::u16string name(stem);
    for (char c : std::to_string(++n))
        name += static_cast<char16_t>(c);
    return name;
}

TColor Ident(std::u16string_view s) {
    TColor c = 0;
    EXPECT_TRUE(SkinIdentToColor(s, c));
    return c;
}

} // namespace

TEST_F(Colors, NameKeyIsCaseFreeCrc) {
    EXPECT_EQ(ColorNameKey(u"abc"), 0xFF957AB0u);
    EXPECT_EQ(ColorNameKey(u"Text.CL_Txt_Hot"), ColorNameKey(u"text.cl_txt_hot"));
    EXPECT_NE(ColorNameKey(u"text.cl_txt_hot"), ColorNameKey(u"text.cl_txt_hov"));
    // Only ASCII letters fold.
    EXPECT_NE(ColorNameKey(u"\u00C4"), ColorNameKey(u"\u00E4"));
}

TEST_F(Colors, IdentToColor) {
    struct Case {
        const char16_t* ident;
        TColor expected;
    };
    const Case cases[] = {
        {u"clRed", 0x000000FF}, {u"CLRED", 0x000000FF},    {u"clBtnFace", 0xFF00000F},
        {u"clNone", clNone},    {u"clDefault", clDefault}, {u"12345", 12345},
        {u"$FF00", 0xFF00},     {u"-1", 0xFFFFFFFF},       {u"$80FF0000", 0x80FF0000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ident(c.ident), c.expected)
            << std::string(c.ident, c.ident + std::char_traits<char16_t>::length(c.ident));
}

TEST_F(Colors, UnknownNameBecomesUnresolvedItem) {
    const int before = ColorItemTable().Counter();
    const std::u16string name = FreshName(u"Text.Undefined_");
    std::u16string lower = name;
    for (char16_t& ch : lower)
        ch = (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch;
    TColor c = Ident(name);
    EXPECT_EQ(c, ColorNameKey(lower));
    EXPECT_EQ(ColorItemTable().Counter(), before + 1);
    EXPECT_EQ(Ident(lower), c); // found, not entered again
    EXPECT_EQ(ColorItemTable().Counter(), before + 1);
    std::u16string ident;
    ASSERT_TRUE(SkinColorToIdent(c, ident));
    EXPECT_EQ(ident, name); // case as first written
    EXPECT_EQ(SkinColorToRGB(c), 0x000000E6u);
    EXPECT_EQ(FindColorByName(lower, 7), 7u);
    EXPECT_TRUE(gDebug.empty()); // diagnostics only in design mode

    // Numbers are never entered.
    EXPECT_EQ(Ident(u"987654"), 987654u);
    EXPECT_EQ(ColorItemTable().Counter(), before + 1);
}

TEST_F(Colors, DesignModeDiagnostics) {
    SetDesignMode(true);
    const std::u16string name = FreshName(u"ab");
    TColor c = Ident(name);
    ASSERT_EQ(gDebug.size(), 1u);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", c);
    EXPECT_EQ(gDebug[0],
              u"warning non-color: " + name + u" [" + std::u16string(hex, hex + std::strlen(hex)) + u"]");
    SkinColorToRGB(c);
    ASSERT_EQ(gDebug.size(), 2u);
    EXPECT_EQ(gDebug[1].substr(0, 20), u"warning non-color: [");
    // Every unresolved name is listed, with a running number.
    gDebug.clear();
    MergeVclColor();
    int found = 0;
    for (const std::u16string& line : gDebug) {
        EXPECT_EQ(line.substr(0, 25), u"MergeVclColor, non-color[");
        found += line.ends_with(u"]: " + name);
    }
    EXPECT_EQ(found, 1);
}

TEST_F(Colors, ColorToIdent) {
    std::u16string ident;
    ASSERT_TRUE(SkinColorToIdent(0x000000FF, ident));
    EXPECT_EQ(ident, u"clRed");
    ASSERT_TRUE(SkinColorToIdent(0xFF000005, ident));
    EXPECT_EQ(ident, u"clWindow");
    EXPECT_FALSE(SkinColorToIdent(0x00123456, ident));
}

TEST_F(Colors, ColorToRGB) {
    EXPECT_EQ(SkinColorToRGB(0xFF00000F), ClassicSystemColor(15));
    SetSystemColorProvider(
        [](int index) -> std::uint32_t { return 0x00010203u + static_cast<std::uint32_t>(index); });
    EXPECT_EQ(SkinColorToRGB(0xFF00000F), 0x00010212u);
    EXPECT_EQ(SkinColorToRGB(0x80FF0000), 0x80FF0000u);
    EXPECT_EQ(SkinColorToRGB(clNone), clNone);
    EXPECT_EQ(SkinColorToRGB(clDefault), clDefault);
    EXPECT_EQ(SkinColorToRGB(0x00123456), 0x00123456u);
    EXPECT_EQ(SkinColorToRGB(0xFF123456), 0x000000E6u); // unknown named value
}

TEST_F(Colors, Alpha) {
    struct Case {
        TColor color;
        int alpha;
    };
    const Case cases[] = {{0x80FF0000, 0x80}, {clRed, 255},      {clNone, 0},
                          {clDefault, 255},   {0xFF00000F, 255}, {0x01000000, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(ColorAlpha(c.color), c.alpha) << std::hex << c.color;
    TColor skin = EnterSkinColor(u"half", 0, 0x40112233, 0x40112233, false)->Color;
    EXPECT_EQ(ColorAlpha(skin), 0x40);
}

TEST_F(Colors, SkinColorResolvesUntilNextMerge) {
    TColor early = Ident(u"text.cl_txt_hot"); // a form read before the skin
    SkinColorNames().AddObject(u"text.cl_txt_hot", static_cast<PtrInt>(early));
    TRccColorItem* item = EnterSkinColor(u"text.cl_txt_hot", 0, 0x00336699, 0x00224488, true);
    EXPECT_EQ(item->Color, early);
    EXPECT_EQ(SkinColorToRGB(early), 0x00224488u);
    EXPECT_EQ(FindColorByName(u"TEXT.CL_TXT_HOT", 0), early);

    MergeVclColor();
    EXPECT_EQ(SkinColorToRGB(early), 0x000000E6u);
    std::u16string ident;
    ASSERT_TRUE(SkinColorToIdent(early, ident)); // the value stays a valid key
    EXPECT_EQ(ident, u"text.cl_txt_hot");
    EXPECT_EQ(Ident(u"text.cl_txt_hot"), early);
    EnterSkinColor(u"text.cl_txt_hot", 0, 0x00336699, 0x00336699, false);
    EXPECT_EQ(SkinColorToRGB(early), 0x00336699u);
}

TEST_F(Colors, NamedColourRoundTripsThroughIdentifier) {
    // What a form description does: write the identifier, read it back, with or without a skin.
    TColor c = Ident(u"text.cl_txt_hot");
    std::u16string written;
    ASSERT_TRUE(SkinColorToIdent(c, written));
    MergeVclColor();
    EXPECT_EQ(Ident(written), c);
}

TEST_F(Colors, MergeRestoresBuiltInsAndEnumeration) {
    // A skin colour that shadows a built-in name loses to the built-in after a merge.
    EnterSkinColor(u"clRed", 0, 0x00010101, 0x00010101, false);
    EXPECT_EQ(Ident(u"clred"), ColorNameKey(u"clRed"));
    MergeVclColor();
    EXPECT_EQ(Ident(u"clred"), 0x000000FFu);

    SkinColorNames().Add(u"z.first");
    SkinColorNames().Add(u"a.second");
    std::vector<std::u16string> names;
    SkinGetColorValues([&](const std::u16string& n) { names.push_back(n); });
    ASSERT_EQ(names.size(), 54u);
    EXPECT_EQ(names[0], u"a.second"); // the list is sorted
    EXPECT_EQ(names[1], u"z.first");
    EXPECT_EQ(names[2], u"clBlack");
    EXPECT_EQ(names[53], u"clWindowText");
}

TEST_F(Colors, TintKeepsLumaAndOpacity) {
    // The colour's grey level takes the tint's hue; red and blue must not swap on the way.
    const TColor tint = 0x00204080; // red 0x80, green 0x40, blue 0x20
    const TColor colours[] = {0x00808080, clRed, 0x80C0C0C0, clBtnFace};
    for (TColor c : colours) {
        const std::uint32_t rgb = SkinColorToRGB(c);
        const int grey = ((rgb & 0xFF) * 77 + ((rgb >> 8) & 0xFF) * 151 + ((rgb >> 16) & 0xFF) * 28) >> 8;
        const draw::Bgr e = draw::LumaColor(grey, draw::Bgr{0x20, 0x40, 0x80});
        const std::uint32_t expected = e.r | e.g << 8 | e.b << 16 | (rgb & 0xFF000000u);
        EXPECT_EQ(TintColorValue(c, tint), expected) << std::hex << c;
    }
    // A named tint resolves like any colour.
    TColor named = EnterSkinColor(u"tint.main", 0, tint, tint, false)->Color;
    EXPECT_EQ(TintColorValue(0x00808080, named), TintColorValue(0x00808080, tint));
}
