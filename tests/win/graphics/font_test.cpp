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
    {"style", [](TFont& f) { f.SetStyle(TFontStyles{fsBold, fsItalic}); }, true},
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
