// ReloadCache: file order, parents, colours, image definitions; GetColor; UnloadCache.
#include "tests/win/rdcontrol/resource/resource_test.h"

#include "core/color/colors.h"
#include "core/diag/debug_output.h"
#include "core/text/utf.h"
#include "platform/diag/debug_sink.h"

#include <vector>

using namespace vell;
using namespace vell::rdtest;
using rd::TResource;

namespace {

class SkinCache : public ResourceTest {
  protected:
    static std::u16string value(const char16_t* className, const char16_t* section, const char16_t* name) {
        skin::TRdValueStrings* lines = rd::ClassTable().Find(className, section);
        return lines ? lines->GetValue(name) : u"<no section>";
    }
};

} // namespace

TEST_F(SkinCache, FilesApplyInOrderLineByLineAndParentsLinkWithinAClass) {
    package(u"public.rcc", {{"main.ini", "[btn]\nclass=TB\na=public-main\nb=public-main\nc=public-main\n"
                                         "[base]\nclass=TB\nd=base\n[other]\nclass=TX\ne=other\n"},
                            {"more.ini", "[btn]\nclass=TB\nb=public-more\n"},
                            {"notes.txt", "[btn]\nclass=TB\nc=not an ini file\n"}});
    package(u"black.dll", {{"main.ini", "[btn]\nclass=TB\nc=skin-main\nparent=base\n"},
                           {"z.ini", "[btn]\nclass=TB\nparent=other\nflag\n"}});
    TResource::Register(dir / u"public.rcc", true);
    TResource::Register(dir / u"black.dll", false);
    EXPECT_EQ(value(u"TB", u"btn", u"a"), u"public-main");
    EXPECT_EQ(value(u"TB", u"btn", u"b"), u"public-more");
    EXPECT_EQ(value(u"TB", u"btn", u"c"), u"skin-main");
    // z.ini's parent names a section of another class: no parent, no inherited lines.
    EXPECT_EQ(value(u"TB", u"btn", u"d"), u"");
    EXPECT_EQ(value(u"TB", u"btn", u"e"), u"");
    EXPECT_GE(rd::ClassTable().Find(u"TB", u"btn")->IndexOfName(u"flag"), 0);
}

TEST_F(SkinCache, ParentLoopsAndSelfParentsStayBounded) {
    package(u"black.dll", {{"main.ini", "[a]\nclass=T\nparent=b\nx=a\n[b]\nclass=T\nparent=c\ny=b\n"
                                        "[c]\nclass=T\nparent=a\nz=c\n[self]\nclass=T\nparent=self\nw=s\n"
                                        "[img]\nclass=image\nparent=img\nimgname=x.png\n"}});
    TResource::Register(dir / u"black.dll", false);
    EXPECT_EQ(value(u"T", u"a", u"z"), u"c");
    EXPECT_EQ(value(u"T", u"a", u"missing"), u"");
    EXPECT_EQ(value(u"T", u"self", u"missing"), u"");
    EXPECT_EQ(rd::ClassTable().Find(u"T", u"self")->Parent, nullptr);
    std::vector<std::u16string> lines;
    ASSERT_TRUE(rd::ImageDefinition(u"[img]", lines));
    EXPECT_TRUE(rd::ImageDefinition(u"[IMG]", lines));
    EXPECT_FALSE(rd::ImageDefinition(u"[nothing]", lines));
}

TEST_F(SkinCache, ColoursFromSectionsSettingsAndReferences) {
    package(u"public.rcc", {{"main.ini", "[text]\nclass=color\ncl_a=112233\ncl_b=445566\n"}});
    package(u"black.dll", {{"color_setting.ini", "[validate]\ntype=RGB\n[text]\ncl_b=&AABBCC\n"
                                                 "cl_ref=[#text.cl_a]\ncl_self=[text.cl_self]\n"
                                                 "cl_x=[text.cl_y]\ncl_y=[text.cl_x]\ncl_bad=zz\n"}});
    EXPECT_EQ(TResource::GetColor(u"text.cl_a", clBlack, true), clBlack); // nothing loaded yet
    TResource::Register(dir / u"public.rcc", true);
    TResource::Register(dir / u"black.dll", false);
    struct Case {
        const char16_t* name;
        TColor expected;
    };
    const Case cases[] = {
        {u"text.cl_a", 0x00332211},   {u"TEXT.CL_A", 0x00332211}, {u"text.cl_b", 0x00CCBBAA},
        {u"text.cl_ref", 0x00332211}, {u"text.cl_self", clBlack}, {u"text.cl_x", clBlack},
        {u"text.cl_bad", clBlack},    {u"text.none", clBlack},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TResource::GetColor(c.name, clBlack, true), c.expected) << std::string(c.name, c.name + 10);
        EXPECT_EQ(TResource::GetColor(c.name, clBlack, false), ColorNameKey(c.name));
    }
    // The colour table agrees: what forms and drawing code see.
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_b")), 0x00CCBBAAu);
    EXPECT_EQ(FindColorByName(u"text.cl_ref", clNone), ColorNameKey(u"text.cl_ref"));
    EXPECT_EQ(FindColorByName(u"text.cl_self", clNone), clNone);
}

TEST_F(SkinCache, MainIniServesAsColourSettingsOnlyWhenItNamesTheSkin) {
    for (const bool named : {true, false}) {
        package(u"black.dll", {{"main.ini", std::string(named ? "[validate]\nskinname=black\n" : "") +
                                                "[text]\ncl_a=010203\n"}});
        TResource::Register(dir / u"black.dll", false);
        EXPECT_EQ(TResource::GetColor(u"text.cl_a", clNone, true), named ? 0x00030201u : clNone);
        rd::UnloadCache(true);
    }
}

TEST_F(SkinCache, DemoSkinColoursResolveForTheForm) {
    TResource::Register(DemoSkinFolder() + u"public.rcc", true);
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    EXPECT_EQ(TResource::GetColor(u"text.cl_txt_hot", clBlack, true), 0x00F7F4F2u);
    TColor formColour;
    ASSERT_TRUE(SkinIdentToColor(u"text.cl_txt_hot", formColour));
    EXPECT_EQ(SkinColorToRGB(formColour), 0x00F7F4F2u);
    EXPECT_EQ(TResource::GetColor(u"text.cl_link", clBlack, true), 0x00F7F4F2u);
    EXPECT_EQ(value(u"TRdLabel", u"label_tip", u"Font.Color"), u"text.cl_txt_hot");
    EXPECT_EQ(value(u"TRdLabel", u"label_tip", u"Font.Name"), u"Segoe UI"); // from its parent
    EXPECT_EQ(value(u"TRdLabel", u"label_tip", u"Font.Height"), u"-15");
    std::vector<std::u16string> lines;
    ASSERT_TRUE(rd::ImageDefinition(u"[img_preview_pannel]", lines));
    EXPECT_NE(std::find(lines.begin(), lines.end(), u"imgname=images/img_preview_pannel.png"), lines.end());
}

TEST_F(SkinCache, UnloadCacheUnregistersAndDropsEverything) {
    TResource::Register(DemoSkinFolder() + u"public.rcc", true);
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    TResource::SetRootPath(dir.path());
    ASSERT_GT(rd::ClassTable().ClassCount(), 0u);
    ASSERT_FALSE(rd::LoadCachedImage(u"images/app_icon_tip.png")->Empty());
    rd::UnloadCache(false);
    EXPECT_EQ(read(u":/public/main.ini"), "");
    EXPECT_EQ(TResource::RegisteredPackages().Count(), 0);
    EXPECT_NE(TResource::RootPath(), dir.path());
    EXPECT_GT(rd::ClassTable().ClassCount(), 0u); // kept without dropCaches
    rd::UnloadCache(true);
    EXPECT_EQ(rd::ClassTable().ClassCount(), 0u);
    EXPECT_EQ(TResource::GetColor(u"text.cl_txt_hot", clBlack, true), clBlack);
    std::vector<std::u16string> lines;
    EXPECT_FALSE(rd::ImageDefinition(u"[img_preview_pannel]", lines));
    EXPECT_TRUE(rd::LoadCachedImage(u"images/app_icon_tip.png")->Empty()); // looked up afresh
    // The same skin registers again afterwards.
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    EXPECT_EQ(TResource::GetColor(u"text.cl_txt_hot", clBlack, true), 0x00F7F4F2u);
}

namespace {
std::vector<std::u16string> g_traces;
void captureTrace(std::u16string_view text) {
    g_traces.emplace_back(text);
}
} // namespace

TEST_F(SkinCache, TracesNameTheCachesAndPackagesWhenTheSwitchIsOn) {
    SetDebugOutputSink(captureTrace);
    TResource::Register(DemoSkinFolder() + u"public.rcc", true);
    TResource::Register(DemoSkinFolder() + u"black.dll", false);
    EXPECT_TRUE(g_traces.empty()); // the switch is off
    // Rdg: the black skin's image definitions (the panel, the icon and 17 image-button pictures).
    const std::u16string fields = u", Style:" + text::u16(std::to_string(rd::ClassTable().ClassCount())) +
                                  u", Rdg:19, public:" + lower(DemoSkinFolder()) + u"public.rcc, rcc:" +
                                  lower(DemoSkinFolder()) + u"black.dll, path:" + TResource::RootPath();
    SetSkinDebugTrace(true);
    rd::ReloadCache();
    rd::UnloadCache(true);
    SetSkinDebugTrace(false);
    InstallDebugOutputSink();
    EXPECT_EQ(g_traces,
              (std::vector<std::u16string>{u"Rcc.ReloadCache" + fields, u"Rcc.UnloadCache" + fields}));
}
