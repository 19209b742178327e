#include "core/color/colors.h"
#include "core/skin/skin_cache.h"
#include "core/skin/tint_patterns.h"
#include "skin_sources.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::skin;

namespace {

// Packages as a map of resource path -> text, listed in insertion order.
struct FakePackages {
    std::vector<std::pair<std::u16string, std::string>> files;
    std::u16string skin;

    std::u16string resolve(const std::u16string& path) const {
        return skin.empty() || path.starts_with(u":") ? path : u":/" + skin + u"/" + path;
    }
    ResourceReader reader() const {
        return ResourceReader{
            [this](const std::u16string& path) {
                for (auto& [name, text] : files)
                    if (name == resolve(path)) return std::vector<std::uint8_t>(text.begin(), text.end());
                return std::vector<std::uint8_t>();
            },
            [this](const std::u16string& folder) {
                std::u16string list;
                for (auto& [name, text] : files)
                    if (name.starts_with(folder) && name.find(u'/', folder.size()) == std::u16string::npos)
                        list += name.substr(folder.size()) + u"|";
                return list;
            },
        };
    }
};

class SkinCache : public ::testing::Test {
  protected:
    void TearDown() override {
        MergeVclColor();
        SkinColorNames().Clear();
    }
};

} // namespace

TEST_F(SkinCache, FilesApplyInTheirOrderLaterOnesWinning) {
    FakePackages p;
    p.skin = u"black";
    p.files = {
        {u":/public/main.ini",
         "[l]\nclass=TRdLabel\nA=public-main\nB=public-main\nC=public-main\nD=public-main\n"},
        {u":/public/zz.ini", "[l]\nclass=TRdLabel\nB=public-zz\nC=public-zz\nD=public-zz\n"},
        {u":/public/notes.txt", "[l]\nclass=TRdLabel\nB=never\n"},
        {u":/public/aa.ini", "[l]\nclass=TRdLabel\nC=public-aa\n"},
        {u":/black/main.ini",
         "[l]\nclass=TRdLabel\nD=black-main\nE=black-main\n[validate]\nskinname=black\n"},
        {u":/black/extra.ini", "[l]\nclass=TRdLabel\nE=black-extra\n[tintpng]\nimages/*.png\n"},
        {u":/black/color_setting.ini", "[text]\ncl_a=&010203\n"},
    };
    SkinCaches caches;
    RebuildSkinCaches(caches, p.reader(), p.skin);
    TRdValueStrings* l = caches.ClassTable.Find(u"TRdLabel", u"l");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->GetValue(u"A"), u"public-main");
    EXPECT_EQ(l->GetValue(u"B"), u"public-zz");
    EXPECT_EQ(l->GetValue(u"C"), u"public-aa"); // listed after zz.ini
    EXPECT_EQ(l->GetValue(u"D"), u"black-main");
    EXPECT_EQ(l->GetValue(u"E"), u"black-extra");
    EXPECT_TRUE(IsTintablePath(caches.ClassTable.TintPatterns(), u"images/a.png"));
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_a")), 0x00030201u);

    // Without a skin only the public files count.
    p.skin.clear();
    RebuildSkinCaches(caches, p.reader(), p.skin);
    EXPECT_EQ(caches.ClassTable.Find(u"TRdLabel", u"l")->GetValue(u"D"), u"public-zz");
    EXPECT_FALSE(caches.ClassTable.TintPatterns());
}

TEST_F(SkinCache, ColourSettingsFallBackToANamedSkinsMainIni) {
    FakePackages p;
    p.skin = u"black";
    p.files = {{u":/black/main.ini", "[validate]\nskinname=black\n[text]\ncl_a=&010203\n"}};
    SkinCaches caches;
    RebuildSkinCaches(caches, p.reader(), p.skin);
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_a")), 0x00030201u);

    p.files = {{u":/black/main.ini", "[text]\ncl_a=&010203\n"}}; // not a named skin: no colours
    RebuildSkinCaches(caches, p.reader(), p.skin);
    EXPECT_EQ(FindColorByName(u"text.cl_a", clNone), clNone);
    EXPECT_EQ(caches.ColorIni.ReadSections().size(), 0u);
}

TEST_F(SkinCache, ImageDefinitionsCarryInheritedLines) {
    FakePackages p;
    p.skin = u"black";
    p.files = {{u":/black/main.ini",
                "[base]\nclass=image\nimgopt=4,4,4,4,0\nimgsmooth=1\n"
                "[btn_ok]\nclass=image\nparent=base\nimgname=images/ok.png\nimgsmooth=2\n"}};
    SkinCaches caches;
    RebuildSkinCaches(caches, p.reader(), p.skin);
    ASSERT_EQ(caches.ImageDefinitions.size(), 2u);
    TRdValueStrings& ok = *caches.ImageDefinitions.at(u"[btn_ok]");
    EXPECT_EQ(ok.Values(u"imgname"), u"images/ok.png");
    EXPECT_EQ(ok.Values(u"imgopt"), u"4,4,4,4,0");
    EXPECT_EQ(ok.Values(u"imgsmooth"), u"2");
}

TEST_F(SkinCache, TheDemoSkinsRebuild) {
    for (const char16_t* skin : {u"black", u"black2"}) {
        const std::string name(skin, skin + std::char_traits<char16_t>::length(skin));
        FakePackages p;
        p.skin = skin;
        p.files = {{u":/public/main.ini", ReadSkinSource("public/main.ini")},
                   {u":/" + p.skin + u"/color_setting.ini", ReadSkinSource(name + "/color_setting.ini")},
                   {u":/" + p.skin + u"/main.ini", ReadSkinSource(name + "/main.ini")}};
        SkinCaches caches;
        RebuildSkinCaches(caches, p.reader(), p.skin);
        EXPECT_EQ(caches.ClassTable.Find(u"TRdLabel", u"label_tip")->GetValue(u"Font.Height"),
                  name == "black" ? u"-15" : u"-30");
        EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_txt_hot")), 0x00F7F4F2u);
        ASSERT_TRUE(caches.ImageDefinitions.count(u"[img_preview_pannel]"));
        EXPECT_FALSE(IsTintablePath(caches.ClassTable.TintPatterns(), u"images/app_icon_tip.png"));
    }
}
