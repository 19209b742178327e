// The picture cache behind the image engine's resolver, tinting, and Load into pictures.
#include "tests/win/rdcontrol/resource/resource_test.h"

#include "platform/image/png_image.h"
#include "platform/image/rdg_image.h"
#include "platform/image/resolver.h"
#include "toolkit/picture.h"

using namespace vell;
using namespace vell::rdtest;
using rd::TResource;

namespace {

class ImageCache : public ResourceTest {
  protected:
    static TColor pixel(image::TRdGraphic* g) { return g->GetPixels(0, 0); }
    // A skin with two pictures and tint patterns in the given order.
    void tintSkin(const char* patterns) {
        package(u"black.dll", {{"main.ini", std::string("[tintpng]\n") + patterns},
                               {"color_setting.ini", "[c]\ntint=true\nbg=808080\nfixed=&808080\n"},
                               {"images/bg.png", PngBytes(2, 2, 0x00808080)},
                               {"images/logo.png", PngBytes(2, 2, 0x00808080)}});
        TResource::Register(dir / u"black.dll", false);
    }
};

} // namespace

TEST_F(ImageCache, NamesResolveToOneSharedPictureEvenWhenAbsent) {
    package(u"black.dll",
            {{"images/a.png", PngBytes(3, 2, 0x00112233)}, {"images/bad.png", "\x89PNG\r\n\x1a\nxx"}});
    TResource::Register(dir / u"black.dll", false);
    image::TRdGraphic* a = image::ResolveImageName(u"images/a.png");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Width(), 3);
    EXPECT_EQ(rd::LoadCachedImage(u"images/a.png"), a);
    EXPECT_NE(rd::LoadCachedImage(u"images/A.png"), a); // names are case-sensitive
    for (const char16_t* empty : {u"images/missing.png", u"images/bad.png"}) {
        image::TRdGraphic* g = rd::LoadCachedImage(empty);
        ASSERT_NE(g, nullptr);
        EXPECT_TRUE(g->Empty());
        EXPECT_EQ(rd::LoadCachedImage(empty), g);
    }
}

TEST_F(ImageCache, BracketedNamesAreImageDefinitionsThatNeverReachThePackages) {
    package(u"black.dll", {{"main.ini", "[btn_ok]\nclass=image\nimgname=images/a.png\n"},
                           {"images/a.png", PngBytes(5, 4, 0x00112233)}});
    TResource::Register(dir / u"black.dll", false);
    std::vector<std::u16string> asked;
    TResource::SetResourceLoadHook([&](TStream&, const std::u16string& path) {
        asked.push_back(path);
        return false;
    });
    image::TRdGraphic* ok = rd::LoadCachedImage(u"[btn_ok]");
    image::TRdGraphic* none = rd::LoadCachedImage(u"[nothing]");
    EXPECT_TRUE(asked.empty());
    ASSERT_TRUE(dynamic_cast<image::TRdgImage*>(ok));
    ASSERT_TRUE(dynamic_cast<image::TRdgImage*>(none));
    EXPECT_EQ(static_cast<image::TRdgImage*>(ok)->ImgName(), u"images/a.png");
    EXPECT_EQ(ok->Width(), 5); // the definition's picture, found through the resolver
    EXPECT_EQ(asked, std::vector<std::u16string>{u":/black/images/a.png"});
    EXPECT_TRUE(none->Empty());
    EXPECT_EQ(rd::LoadCachedImage(u"[nothing]"), none);
}

TEST_F(ImageCache, ASkinChangeReloadsCachedPicturesInPlace) {
    TResource::Register(DemoSkinFolder() + u"public.rcc", true);
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    image::TRdGraphic* icon = rd::LoadCachedImage(u"images/app_icon_tip.png");
    image::TRdGraphic* gone = rd::LoadCachedImage(u"images/only_in_black.png");
    ASSERT_EQ(icon->Width(), 80);
    TResource::Register(DemoSkinFolder() + u"black2.dll", false);
    EXPECT_EQ(rd::LoadCachedImage(u"images/app_icon_tip.png"), icon);
    EXPECT_EQ(icon->Width(), 160);
    EXPECT_EQ(icon->Height(), 160);
    EXPECT_EQ(rd::LoadCachedImage(u"images/only_in_black.png"), gone);
    EXPECT_TRUE(gone->Empty());
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    EXPECT_EQ(icon->Width(), 80);
}

TEST_F(ImageCache, ASkinChangeRebuildsCachedDefinitionsInPlace) {
    package(
        u"one.dll",
        {{"main.ini", "[bg]\nclass=image\nimgname=images/a.png\n[gone]\nclass=image\nimgname=images/a.png\n"},
         {"images/a.png", PngBytes(5, 4, 0x00112233)},
         {"images/b.png", PngBytes(7, 6, 0x00112233)}});
    package(u"two.dll", {{"main.ini", "[bg]\nclass=image\nimgname=images/b.png\n"},
                         {"images/b.png", PngBytes(7, 6, 0x00112233)}});
    TResource::Register(dir / u"one.dll", false);
    auto* bg = dynamic_cast<image::TRdgImage*>(rd::LoadCachedImage(u"[bg]"));
    auto* gone = dynamic_cast<image::TRdgImage*>(rd::LoadCachedImage(u"[gone]"));
    ASSERT_TRUE(bg && gone);
    EXPECT_EQ(bg->Width(), 5);
    EXPECT_EQ(gone->Width(), 5);
    TResource::Register(dir / u"two.dll", false);
    EXPECT_EQ(rd::LoadCachedImage(u"[bg]"), bg);
    EXPECT_EQ(bg->ImgName(), u"images/b.png");
    EXPECT_EQ(bg->Width(), 7);
    EXPECT_EQ(gone->ImgName(), u"");
    EXPECT_TRUE(gone->Empty());
}

TEST_F(ImageCache, TintPatternsDecideWhichPicturesATintRecolours) {
    struct Case {
        const char* patterns;
        bool bgTinted, logoTinted;
    };
    const Case cases[] = {
        {"images/*.png\nimages/logo.png=false\n", true, false},
        {"images/logo.png=false\nimages/*.png\n", true, true},
        {"images/*.png=0\n", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        tintSkin(c.patterns);
        image::TRdGraphic* bg = rd::LoadCachedImage(u"images/bg.png");
        image::TRdGraphic* logo = rd::LoadCachedImage(u"images/logo.png");
        const TColor plain = pixel(bg);
        ASSERT_EQ(pixel(logo), plain);
        rd::SetTintColor(0x00FF0000);
        EXPECT_EQ(rd::LoadCachedImage(u"images/bg.png"), bg);
        EXPECT_EQ(pixel(bg) != plain, c.bgTinted) << c.patterns;
        EXPECT_EQ(pixel(logo) != plain, c.logoTinted) << c.patterns;
        rd::SetTintColor(clNone);
        EXPECT_EQ(pixel(bg), plain);
        EXPECT_EQ(pixel(logo), plain);
        rd::UnloadCache(true);
    }
}

TEST_F(ImageCache, TintRecoloursTintableColoursAndNewPictures) {
    tintSkin("images/*.png\n");
    const TColor plain = TResource::GetColor(u"c.bg", clNone, true);
    ASSERT_EQ(plain, 0x00808080u);
    rd::SetTintColor(0x00FF0000);
    EXPECT_EQ(TResource::GetColor(u"c.bg", clNone, true), TintColorValue(0x00808080, 0x00FF0000));
    EXPECT_NE(TResource::GetColor(u"c.bg", clNone, true), plain);
    EXPECT_EQ(TResource::GetColor(u"c.fixed", clNone, true), plain);
    // A picture first requested under a tint arrives tinted; a skin reload keeps the tint.
    image::TRdGraphic* bg = rd::LoadCachedImage(u"images/bg.png");
    const TColor tinted = pixel(bg);
    EXPECT_NE(tinted, 0x00808080u);
    rd::ReloadCache();
    EXPECT_EQ(pixel(bg), tinted);
    EXPECT_EQ(TResource::GetColor(u"c.bg", clNone, true), TintColorValue(0x00808080, 0x00FF0000));
    rd::SetTintColor(clNone);
    EXPECT_EQ(TResource::GetColor(u"c.bg", clNone, true), plain);
}

TEST_F(ImageCache, LoadFillsAPictureByExtension) {
    package(u"black.dll",
            {{"images/a.png", PngBytes(4, 3, 0x00445566)}, {"images/bad.png", "not a picture"}});
    TResource::Register(dir / u"black.dll", false);
    tk::TPicture picture;
    TResource::Load(picture, u"images/a.png");
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Width(), 4);
    for (const char16_t* unchanged : {u"", u"images/missing.png", u"images/bad.png"}) {
        TResource::Load(picture, unchanged);
        EXPECT_EQ(picture.Width(), 4);
    }
    try {
        TResource::Load(picture, u"images/a.zzz");
        FAIL() << "no error";
    } catch (const tk::EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.zzz)");
    }
}
