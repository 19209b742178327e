#include "core/color/colors.h"
#include "core/ini/mem_ini_file.h"
#include "core/skin/class_table.h"
#include "core/skin/tint_patterns.h"
#include "core/text/strings.h"
#include "skin_sources.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::skin;

namespace {

std::unique_ptr<TMemIniFile> iniText(std::u16string_view text) {
    auto f = std::make_unique<TMemIniFile>();
    f->SetStrings(text::splitLines(text));
    return f;
}

std::unique_ptr<TMemIniFile> skinFile(const char* relative) {
    const std::string bytes = ReadSkinSource(relative);
    return iniText(std::u16string(bytes.begin(), bytes.end()));
}

std::vector<std::u16string> inherited(TRdValueStrings* s) {
    TStringListEx out;
    s->AssignTo(out);
    std::vector<std::u16string> r;
    for (int i = 0; i < out.Count(); ++i)
        r.push_back(out.Strings(i));
    return r;
}

} // namespace

TEST(SkinClassTable, LaterFilesOverrideLineByLineAndParentsLinkWithinAClass) {
    SkinClassTable t;
    t.Merge(*iniText(u"[a]\nclass=TRdLabel\nFont.Color=text.cl_a\nColor=clRed\nsolo\n"
                     u"[b]\nclass=TRdLabel\nparent=a\nColor=clBlue\n"
                     u"[self]\nclass=TRdLabel\nparent=self\n"
                     u"[other]\nclass=TRdPanel\nparent=a\n"
                     u"[tintpng]\nimages/*.png\n"));
    t.Merge(*iniText(u"[a]\nclass=TRdLabel\ncolor=clGreen\nsolo\nWidth=5\n[c]\nclass=TRdPanel\n"));
    t.LinkParents();
    EXPECT_EQ(t.ClassCount(), 3u);
    TRdValueStrings* b = t.Find(u"trdlabel", u"B");
    ASSERT_TRUE(b);
    EXPECT_EQ(inherited(b), (std::vector<std::u16string>{u"Font.Color=text.cl_a", u"solo", u"Width=5",
                                                         u"class=TRdLabel", u"parent=a", u"Color=clBlue"}));
    EXPECT_EQ(t.Find(u"TRdLabel", u"a")->GetValue(u"Color"), u"clGreen");
    EXPECT_EQ(t.Find(u"TRdLabel", u"self")->Parent, nullptr);
    EXPECT_EQ(t.Find(u"TRdPanel", u"other")->Parent, nullptr); // [a] is of another class
    EXPECT_FALSE(t.Find(u"TRdPanel", u"a"));
    ASSERT_TRUE(t.TintPatterns());
    EXPECT_TRUE(IsTintablePath(t.TintPatterns(), u"images/x.png"));
    std::vector<std::u16string> names;
    t.ForEachSection(u"TRdLabel", [&](const std::u16string& n, TRdValueStrings&) { names.push_back(n); });
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"b", u"self"}));

    // Parents that loop through each other still answer.
    t.Merge(*iniText(u"[a]\nclass=TRdLabel\nparent=b\n"));
    t.LinkParents();
    EXPECT_EQ(t.Find(u"TRdLabel", u"b")->GetValue(u"missing"), u"");
    EXPECT_EQ(t.Find(u"TRdLabel", u"a")->GetValue(u"Color"), u"clGreen");
}

TEST(SkinClassTable, TheDemoSkinLoads) {
    MergeVclColor();
    SkinClassTable t;
    t.Merge(*skinFile("public/main.ini"));
    t.Merge(*skinFile("black/main.ini"));
    t.LinkParents();
    TRdValueStrings* tip = t.Find(u"TRdLabel", u"label_tip");
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->GetValue(u"Font.Height"), u"-15");
    EXPECT_EQ(tip->GetValue(u"Font.Color"), u"text.cl_txt_hot");
    EXPECT_EQ(tip->GetValue(u"Font.Name"), u"Segoe UI"); // from [label]
    ASSERT_TRUE(t.Find(u"image", u"img_preview_pannel"));
    EXPECT_EQ(t.Find(u"image", u"img_preview_pannel")->GetValue(u"imgopt"), u"16,16,16,16,1");
    EXPECT_TRUE(IsTintablePath(t.TintPatterns(), u"images/img_preview_pannel.png"));
    EXPECT_FALSE(IsTintablePath(t.TintPatterns(), u"images/app_icon_tip.png"));

    auto settings = skinFile("black/color_setting.ini");
    LoadSkinColors(t, settings.get());
    EXPECT_EQ(FindColorByName(u"text.cl_txt_hot", clNone), ColorNameKey(u"text.cl_txt_hot"));
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_txt_hot")), 0x00F7F4F2u);
    const TRccColorItem* link = FindColorItem(ColorNameKey(u"text.cl_link"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->BGR, 0x00F7F4F2u);
    EXPECT_TRUE(link->CanTint);
    EXPECT_EQ(FindColorByName(u"validate.type", clNone), clNone);
    MergeVclColor();
    SkinColorNames().Clear();
}

TEST(SkinClassTable, ColourSectionsOfThePackagesYieldToTheSettingsFile) {
    MergeVclColor();
    SkinClassTable t;
    t.Merge(*iniText(u"[text]\nclass=color\ncl_a=&010203\ncl_b=$0000FF\n"));
    auto settings = iniText(u"[validate]\ntype=BGR\n[text]\ncl_a=161,178,195\n");
    LoadSkinColors(t, settings.get());
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_a")), 0x00A1B2C3u);
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_b")), 0x000000FFu);
    LoadSkinColors(t, nullptr);
    EXPECT_EQ(SkinColorToRGB(ColorNameKey(u"text.cl_a")), 0x00030201u);
    MergeVclColor();
    SkinColorNames().Clear();
}

TEST(SkinClassTable, LargeSectionsMergeLineByLine) {
    // Every line of the later file is looked up once by name; sections of many lines merge
    // in one pass.
    const int n = 20000;
    std::u16string first = u"[x]\nrepeat=1\nrepeat=2\n", later = u"[x]\nREPEAT=3\n";
    for (int i = 0; i < n; ++i) {
        const std::string a = "k" + std::to_string(i) + "=first\n";
        const std::string b = "K" + std::to_string(2 * i) + "=later\n";
        first.append(a.begin(), a.end());
        later.append(b.begin(), b.end());
    }
    SkinClassTable t;
    t.Merge(*iniText(first));
    t.Merge(*iniText(later));
    TRdValueStrings* x = t.Find(u"", u"x");
    ASSERT_TRUE(x);
    EXPECT_EQ(x->Count(), 2 + n + n / 2);
    EXPECT_EQ(x->Strings(0), u"REPEAT=3"); // the first line of the name is replaced
    EXPECT_EQ(x->Strings(1), u"repeat=2");
    EXPECT_EQ(x->GetValue(u"k2"), u"later");
    EXPECT_EQ(x->GetValue(u"k3"), u"first");
    EXPECT_EQ(x->GetValue(u"k39998"), u"later");
    EXPECT_EQ(x->Strings(x->Count() - 1), u"K39998=later");
}
