// Every text the loading box can show, in every shipped language, has a glyph for each of its
// characters in the font the box selects ("Segoe UI" at the normal and the large-screen
// height). Whichever face the platform maps that request to, it must cover the script: a
// missing glyph draws as a box that a comparison with the platform's own drawing cannot see.
#include "platform/graphics/font.h"
#include "platform/win/handles.h"
#include "services/language/language_base.h"

#include "core/text/utf.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

using namespace vell;

namespace {

const std::u16string kShipped = text::fromWide(L"" VELL_SOURCE_DIR L"\\languages");

// The texts the box shows for one language: both tips with "%s" as the product's name.
std::vector<std::u16string> boxTexts(TLanguageBase& lan) {
    std::vector<std::u16string> texts;
    for (const char16_t* key : {u"Tip_Launching", u"Tip_DisplayChanging"}) {
        std::u16string t = lan.ReadString(u"VLR_MainBoxLan", key, u"");
        for (size_t at = 0; (at = t.find(u"%s", at)) != std::u16string::npos; at += 7)
            t.replace(at, 2, u"Vellora");
        texts.push_back(t);
    }
    return texts;
}

// The characters of `s` that the font selected into `dc` has no glyph for. Line breaks are
// left out: they are layout, never drawn.
std::u16string missingGlyphs(HDC dc, const std::u16string& s) {
    std::vector<WORD> glyphs(s.size());
    const DWORD n = ::GetGlyphIndicesW(dc, text::wcs(s), static_cast<int>(s.size()), glyphs.data(),
                                       GGI_MARK_NONEXISTING_GLYPHS);
    if (n == GDI_ERROR) return s;
    std::u16string missing;
    for (size_t i = 0; i < s.size(); ++i)
        if (glyphs[i] == 0xFFFF && s[i] != u'\r' && s[i] != u'\n') missing += s[i];
    return missing;
}

// A memory DC with the box's font request selected: "Segoe UI" at `height`.
struct BoxFontDC {
    win::UniqueMemoryDC dc{::CreateCompatibleDC(nullptr)};
    tk::TFont font;
    std::unique_ptr<win::SelectObjectGuard> selected;
    explicit BoxFontDC(int height) {
        font.SetName(u"Segoe UI");
        font.SetHeight(height);
        selected = std::make_unique<win::SelectObjectGuard>(dc.get(), font.Handle());
    }
};

} // namespace

TEST(BoxGlyphs, EveryShippedLanguageHasRealGlyphsInTheBoxFont) {
    TLanguageBase lan(u"VLR", kShipped);
    const std::vector<std::u16string> names = lan.GetLanNames();
    ASSERT_GE(names.size(), 5u);
    for (int height : {-15, -30}) { // normal and large screen
        BoxFontDC box(height);
        ASSERT_TRUE(box.dc);
        for (const auto& name : names) {
            lan.SetLanByName(name);
            ASSERT_EQ(lan.GetCurrentLan(), name);
            for (const auto& t : boxTexts(lan)) {
                ASSERT_FALSE(t.empty()) << text::utf16ToUtf8(name);
                EXPECT_EQ(text::utf16ToUtf8(missingGlyphs(box.dc.get(), t)), "")
                    << text::utf16ToUtf8(name) << " at height " << height << ": " << text::utf16ToUtf8(t);
            }
        }
    }
}

// The check itself sees a missing glyph: a private-use character that no font draws.
TEST(BoxGlyphs, AMissingGlyphIsReported) {
    BoxFontDC box(-15);
    ASSERT_TRUE(box.dc);
    EXPECT_EQ(missingGlyphs(box.dc.get(), u"a\uE123b"), u"\uE123");
}
