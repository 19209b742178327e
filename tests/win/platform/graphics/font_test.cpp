#include "platform/graphics/canvas.h"
#include "platform/win/dib_section.h"
#include "platform/win/handles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace vell::tk;

namespace {

// A font the way a library derives one: it counts the changes that reach its change path
// and sees every colour given to it, from code or from streaming.
class TCountingFont : public TFont {
  public:
    int changes = 0;
    int colourCalls = 0;
    void SetColor(TColor Value) override {
        ++colourCalls;
        TFont::SetColor(Value);
    }

  protected:
    void Changed() override {
        ++changes;
        TFont::Changed();
    }
};

struct AttributeChange {
    const char* name;
    std::function<void(TFont&)> apply;
    bool newHandle; // the logical font changes
};

const AttributeChange kChanges[] = {
    {"name", [](TFont& f) { f.SetName(u"Courier New"); }, true},
    {"height", [](TFont& f) { f.SetHeight(-20); }, true},
    {"size", [](TFont& f) { f.SetSize(30); }, true},
    {"colour", [](TFont& f) { f.SetColor(0x0000FF); }, false},
    {"style",
     [](TFont& f) {
         f.SetStyle(TFontStyles{fsBold, fsItalic});
     },
     true},
    {"charset", [](TFont& f) { f.SetCharset(RUSSIAN_CHARSET); }, true},
    {"pitch", [](TFont& f) { f.SetPitch(fpFixed); }, true},
    {"orientation", [](TFont& f) { f.SetOrientation(900); }, true},
    {"quality", [](TFont& f) { f.SetQuality(fqAntialiased); }, true},
    {"pixels per inch", [](TFont& f) { f.SetPixelsPerInch(144); }, false},
};

TEST(Font, EveryAttributeChangeNotifiesOnceAndRemakesTheHandleOnlyForTheLogicalFont) {
    for (const AttributeChange& c : kChanges) {
        SCOPED_TRACE(c.name);
        TCountingFont font;
        int heard = 0;
        font.OnChange = [&](TGraphicsObject* sender) {
            EXPECT_EQ(sender, &font);
            ++heard;
        };
        const SharedGdiHandle before = font.SharedHandle();
        ASSERT_TRUE(before);
        c.apply(font);
        EXPECT_EQ(font.changes, 1);
        EXPECT_EQ(heard, 1);
        EXPECT_EQ(font.SharedHandle() != before, c.newHandle);
        LOGFONTW lf{};
        ASSERT_TRUE(::GetObjectW(font.Handle(), sizeof lf, &lf));
        const LOGFONTW want = font.LogFont();
        EXPECT_EQ(lf.lfHeight, want.lfHeight);
        EXPECT_EQ(lf.lfWeight, want.lfWeight);
        EXPECT_EQ(lf.lfCharSet, want.lfCharSet);
        EXPECT_EQ(std::wstring(lf.lfFaceName), std::wstring(want.lfFaceName));
        // The same value again is no change.
        c.apply(font);
        EXPECT_EQ(font.changes, 1);
        EXPECT_EQ(heard, 1);
    }
}

TEST(Font, AssignNotifiesOnceAndStreamingReachesTheDerivedSetters) {
    TFont source;
    source.SetName(u"Courier New");
    source.SetHeight(-21);
    source.SetColor(0x00FF00);
    source.SetStyle(TFontStyles{fsUnderline});
    TCountingFont font;
    font.Assign(&source);
    EXPECT_EQ(font.changes, 1);
    EXPECT_TRUE(font.Equals(source));

    // Form descriptions and skin lines set properties through the class information.
    TFont::StaticClass().findProperty("Color")->setOrd(font, 0x123456);
    EXPECT_EQ(font.colourCalls, 1);
    EXPECT_EQ(font.Color(), 0x123456u);
    EXPECT_EQ(font.changes, 2);

    // Nothing that is not a font changes it.
    font.SetName(u"");
    font.SetPixelsPerInch(0);
    EXPECT_EQ(font.changes, 2);
}

// A memory DC on a 32-bit DIB section.
struct Surface {
    vell::win::UniqueMemoryDC dc{::CreateCompatibleDC(nullptr)};
    vell::win::DibSection dib = vell::win::DibSection::create(16, 16, 32);
    vell::win::SelectObjectGuard sel{dc.get(), dib.handle()};
};

TEST(Canvas, ReplacedFontKeepsValuesAndChangeHandler) {
    Surface s;
    TCanvas canvas;
    canvas.SetHandle(s.dc.get());
    canvas.Font()->SetName(u"Courier New");
    canvas.Font()->SetHeight(-17);
    canvas.Font()->SetColor(0x0000FF);
    canvas.Font()->SetStyle(TFontStyles{fsBold});
    canvas.TextWidth(u"x");
    EXPECT_EQ(::GetTextColor(s.dc.get()), 0x0000FFu);

    const TFont* old = canvas.Font();
    auto derived = std::make_unique<TCountingFont>();
    TCountingFont* font = derived.get();
    canvas.ReplaceFont(std::move(derived));
    EXPECT_EQ(canvas.Font(), font);
    EXPECT_NE(canvas.Font(), old);
    EXPECT_EQ(font->Name(), u"Courier New");
    EXPECT_EQ(font->Height(), -17);
    EXPECT_EQ(font->Color(), 0x0000FFu);
    EXPECT_EQ(font->Style(), TFontStyles{fsBold});

    // The new font is selected on the next use, and its changes reach the canvas.
    canvas.TextWidth(u"x");
    EXPECT_EQ(::GetCurrentObject(s.dc.get(), OBJ_FONT), font->Handle());
    font->SetColor(0x00FF00);
    canvas.TextWidth(u"x");
    EXPECT_EQ(::GetTextColor(s.dc.get()), 0x00FF00u);
    font->SetHeight(-30);
    canvas.TextWidth(u"x");
    EXPECT_EQ(::GetCurrentObject(s.dc.get(), OBJ_FONT), font->Handle());

    canvas.ReplaceFont(nullptr);
    EXPECT_EQ(canvas.Font(), font);
    // Unbinding puts the DC's own font back.
    canvas.SetHandle(nullptr);
    EXPECT_NE(::GetCurrentObject(s.dc.get(), OBJ_FONT), font->Handle());
}

TEST(Canvas, DrawingRunsInsideTheChangeBracket) {
    Surface s;
    TCanvas canvas;
    canvas.SetHandle(s.dc.get());
    std::string events;
    canvas.OnChanging = [&](TCanvas*) { events += "<"; };
    canvas.OnChange = [&](TCanvas*) { events += ">"; };
    RECT r{0, 0, 8, 8};
    canvas.FillRect(r);
    canvas.TextOut(0, 0, u"a");
    canvas.TextWidth(u"a");
    canvas.DrawText(u"a", r, DT_CALCRECT);
    EXPECT_EQ(events, "<><>");
}

} // namespace

namespace {

TEST(Font, SizeStepsCountFromTheBaseHeight) {
    struct Case {
        int base; // 0: none, the current height becomes the base
        int height;
        int step;
        int wantSize;
        int wantHeight;
        int wantResult;
    };
    // At 96 pixels per inch: a base height of -15 is base size -11.
    const Case cases[] = {
        {-15, -15, 2, 13, -17, 2},  // Size 11 -> 13
        {-15, -20, 2, 13, -17, -2}, // Size 15 -> 13
        {-15, -20, 0, 11, -15, -4}, // back to the base
        {0, -16, 1, 13, -17, 1},    // base -16, base size -12
        {-15, -15, 0, 11, -15, 0},  // nothing to do
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.base << " " << c.height << " " << c.step);
        TCountingFont font;
        font.SetPixelsPerInch(96);
        font.SetHeight(c.height);
        font.SetBaseHeight(c.base);
        font.changes = 0;
        EXPECT_EQ(font.IncSizeOnBase(c.step), c.wantResult);
        EXPECT_EQ(font.Size(), c.wantSize);
        EXPECT_EQ(font.Height(), c.wantHeight);
        EXPECT_EQ(font.BaseHeight(), c.base != 0 ? c.base : c.height);
        EXPECT_EQ(font.changes, c.wantHeight != c.height ? 1 : 0);
    }

    // The base height goes with a copy when the source has one.
    TFont withBase, without, copy;
    withBase.SetBaseHeight(-15);
    copy.Assign(&withBase);
    EXPECT_EQ(copy.BaseHeight(), -15);
    copy.Assign(&without);
    EXPECT_EQ(copy.BaseHeight(), -15);
}

} // namespace
