// TRdSkinStyle on forms without windows: once its description is read the main style
// registers the public packages and the skin package of its folder; later changes of the
// skin package, the public list, the tint and the second form colour act only on the main
// style; a second style asking to be main waits in a chain behind it.
#include "core/component/writer.h"
#include "core/text/paths.h"
#include "rdcontrol/resource/resource.h"
#include "tests/support/resource_fixture.h"
#include "tests/win/rdcontrol/skinstyle/style_fixture.h"

#include <windows.h>

#include <algorithm>

using namespace styletest;

TEST_F(SkinStyleTest, LoadingRegistersThePackagesOfItsFolderAndRepaintsEveryForm) {
    auto* other = new TStyleForm(tk::Application());
    TStyleForm* form = formWithStyle(folder, "black.dll", true);
    rd::TRdSkinStyle* style = styleOf(form);
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(rd::MainSkinStyle(), style);
    EXPECT_EQ(style->CurMainStyle(), u"TStyleForm.style");
    EXPECT_EQ(lower(rd::TResource::PublicPackagePath()), lower(skin + u"public.rcc"));
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
    EXPECT_EQ(lower(style->CurSkinRccFile()), lower(skin + u"black.dll"));
    EXPECT_EQ(lower(style->CurSkinPath()), lower(skin));
    EXPECT_EQ(lower(style->LoadedRccList()), std::vector<std::u16string>{lower(skin + u"public.rcc")});
    // The skin's colour table and pictures are in place.
    EXPECT_EQ(rd::TResource::GetColor(u"text.cl_txt_hot", clNone, true), TColor(0xF7F4F2));
    image::TRdGraphic* icon = rd::LoadCachedImage(u"images/app_icon_tip.png");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Width(), 80);
    EXPECT_EQ(other->broadcasts, 1);
    EXPECT_EQ(form->broadcasts, 1);

    // The large skin replaces the skin in place: the same cached picture, new pixels.
    style->SetSkinRccFile(u"black2.dll");
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black2.dll"));
    EXPECT_EQ(style->SkinRccFile(), u"black2.dll");
    EXPECT_EQ(rd::LoadCachedImage(u"images/app_icon_tip.png"), icon);
    EXPECT_EQ(icon->Width(), 160);
    EXPECT_EQ(form->broadcasts, 2);

    // A package that exists in none of its forms changes the name only; so does an empty
    // name, which must not take the skin folder itself for a package.
    for (const char16_t* name : {u"missing.dll", u""}) {
        style->SetSkinRccFile(name);
        EXPECT_EQ(style->SkinRccFile(), name);
        EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black2.dll"));
        EXPECT_EQ(form->broadcasts, 2);
    }

    // A name with a folder makes that folder the runtime path.
    style->SetSkinRccFile(skin + u"black.rcc");
    EXPECT_EQ(style->SkinRccFile(), u"black.rcc");
    EXPECT_EQ(lower(style->RuntimePath()), lower(folder));
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
    EXPECT_EQ(form->broadcasts, 3);

    // The last style to go gives every package back.
    tk::FreeApplication();
    EXPECT_EQ(rd::SkinStyleCount(), 0);
    EXPECT_EQ(rd::MainSkinStyle(), nullptr);
    EXPECT_EQ(rd::TResource::SkinPackagePath(), u"");
    EXPECT_EQ(rd::TResource::PublicPackagePath(), u"");
    EXPECT_TRUE(messages.empty());
}

TEST_F(SkinStyleTest, ReLoadRegistersEverythingAgainThroughTheMainStyle) {
    TStyleForm* main = formWithStyle(folder, "black.dll", true);
    TStyleForm* second = formWithStyle(folder, "black.dll", false);
    const std::uint32_t stamp = rd::TResource::ChangeStamp();
    styleOf(second)->ReLoad();
    EXPECT_NE(rd::TResource::ChangeStamp(), stamp);
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
    EXPECT_EQ(lower(rd::TResource::PublicPackagePath()), lower(skin + u"public.rcc"));
    EXPECT_EQ(rd::TResource::GetColor(u"text.cl_txt_hot", clNone, true), TColor(0xF7F4F2));
    EXPECT_EQ(main->broadcasts, 2);
    EXPECT_TRUE(styleOf(second)->LoadedRccList().Count() == 0);
}

TEST_F(SkinStyleTest, TheBroadcastReachesEveryFormOfTheScreenLastToFirst) {
    for (const char* name : {"a", "b", "c"}) {
        auto* form = new TStyleForm(tk::Application());
        form->SetName(name);
    }
    rd::TRdSkinStyle::Redraw();
    // Forms without a window are listed in the order they were made.
    EXPECT_EQ(TStyleForm::BroadcastOrder, (std::vector<std::string>{"c", "b", "a"}));
}

// ---- the chain of main-style candidates ----

TEST_F(SkinStyleTest, OnlyTheMainStyleRegistersAndASecondOneWaitsWithAWarning) {
    TStyleForm* main = formWithStyle(folder, "black.dll", true);
    TStyleForm* second = formWithStyle(folder, "black2.dll", true);
    rd::TRdSkinStyle* mainStyle = styleOf(main);
    rd::TRdSkinStyle* secondStyle = styleOf(second);
    EXPECT_EQ(rd::MainSkinStyle(), mainStyle);
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
    EXPECT_EQ(secondStyle->LoadedRccList().Count(), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], u"warning: main.SkinStyle exists! must close unit: TStyleForm.style,\r\n\r\n"
                           u"and Re-open Current Form !!");
    EXPECT_EQ(mainStyle->Right(), secondStyle);
    EXPECT_EQ(secondStyle->Left(), mainStyle);
    EXPECT_EQ(secondStyle->CurMainStyle(), u"TStyleForm.style");

    // What a waiting style is given it only keeps.
    const std::uint32_t stamp = rd::TResource::ChangeStamp();
    secondStyle->SetSkinRccFile(skin + u"black2.dll");
    EXPECT_EQ(secondStyle->SkinRccFile(), u"black2.dll");
    secondStyle->SetRccTintColor(0x0000FF);
    secondStyle->SetFormDefaultColor2nd(0x00FF00);
    secondStyle->PublicRccFiles()->Add(u"other.rcc");
    EXPECT_EQ(rd::TResource::ChangeStamp(), stamp);
    EXPECT_EQ(rd::TResource::SkinTintColor(), clNone);
    EXPECT_EQ(rd::FormColor2nd(), clNone);
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));

    // Destroying the main style makes the waiting one main; the packages stay.
    delete main;
    EXPECT_EQ(rd::MainSkinStyle(), secondStyle);
    EXPECT_EQ(secondStyle->Left(), nullptr);
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
    secondStyle->SetSkinRccFile(u"black2.dll");
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black2.dll"));
}

TEST_F(SkinStyleTest, CandidatesQueueInTheOrderTheyAskedAndLeaveTheChainClosed) {
    // Styles without an owner: the warning names no unit.
    std::vector<std::unique_ptr<rd::TRdSkinStyle>> styles;
    for (const char* name : {"s0", "s1", "s2", "s3"}) {
        styles.push_back(std::make_unique<rd::TRdSkinStyle>(nullptr));
        styles.back()->SetName(name);
    }
    for (int i : {0, 2, 1, 3})
        styles[i]->SetMainSkin(true);
    EXPECT_EQ(rd::MainSkinStyle(), styles[0].get());
    EXPECT_EQ(styles[0]->CurMainStyle(), u"s0");
    EXPECT_EQ(messages, std::vector<std::u16string>(3, u"warning: main.SkinStyle exists!"));
    // Asking again warns again but does not queue twice.
    styles[2]->SetMainSkin(true);
    EXPECT_EQ(messages.size(), 4u);
    auto chain = [&] {
        std::vector<rd::TRdSkinStyle*> order;
        for (rd::TRdSkinStyle* s = rd::MainSkinStyle(); s; s = s->Right())
            order.push_back(s);
        return order;
    };
    EXPECT_EQ(chain(), (std::vector<rd::TRdSkinStyle*>{styles[0].get(), styles[2].get(), styles[1].get(),
                                                       styles[3].get()}));

    styles[1]->SetMainSkin(false); // from the middle
    EXPECT_EQ(styles[1]->Left(), nullptr);
    EXPECT_EQ(styles[1]->Right(), nullptr);
    EXPECT_EQ(chain(), (std::vector<rd::TRdSkinStyle*>{styles[0].get(), styles[2].get(), styles[3].get()}));
    styles[3].reset(); // the last candidate: the one before it is last now
    styles[1]->SetMainSkin(true);
    EXPECT_EQ(messages.size(), 5u);
    EXPECT_EQ(chain(), (std::vector<rd::TRdSkinStyle*>{styles[0].get(), styles[2].get(), styles[1].get()}));
    styles[0]->SetMainSkin(false); // the main one
    EXPECT_EQ(rd::MainSkinStyle(), styles[2].get());
    EXPECT_EQ(chain(), (std::vector<rd::TRdSkinStyle*>{styles[2].get(), styles[1].get()}));
    styles.clear();
    EXPECT_EQ(rd::MainSkinStyle(), nullptr);
    EXPECT_EQ(rd::SkinStyleCount(), 0);
    // With no style left the next one is main at once.
    rd::TRdSkinStyle alone(nullptr);
    alone.SetMainSkin(true);
    EXPECT_EQ(rd::MainSkinStyle(), &alone);
    EXPECT_EQ(alone.Left(), nullptr);
    EXPECT_EQ(alone.Right(), nullptr);
    EXPECT_EQ(messages.size(), 5u);
}

// ---- public packages ----

TEST_F(SkinStyleTest, PublicPackagesFollowTheirListAndExtraOnesAreAdditionalPackages) {
    // An extra package beside the test, named with its folder.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::u16string extra = text::fromWide(temp) + u"vell_style_extra.rcc";
    rdtest::WriteBytes(extra, rdtest::PackageBytes({{"note.txt", "extra"}}));

    TStyleForm* form =
        formWithStyle(folder, "black.dll", true,
                      "  PublicRccFiles.Strings = (\n   'public.rcc'\n   '" + ascii(extra) + "')\n");
    rd::TRdSkinStyle* style = styleOf(form);
    std::vector<std::u16string> expected{lower(skin + u"public.rcc"), lower(extra)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lower(style->LoadedRccList()), expected);
    EXPECT_EQ(lower(rd::TResource::PublicPackagePath()), lower(skin + u"public.rcc"));
    EXPECT_EQ(rd::TResource::RegisteredPackages().Count(), 2);
    EXPECT_EQ(rd::TResource::Size(u":/vell_style_extra/note.txt"), 5);
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));

    // A change unregisters what the list gave before, registers the new entries, rebuilds
    // the caches and repaints.
    const int before = form->broadcasts;
    style->PublicRccFiles()->Clear();
    EXPECT_EQ(style->LoadedRccList().Count(), 0);
    EXPECT_EQ(rd::TResource::PublicPackagePath(), u"");
    EXPECT_EQ(rd::TResource::RegisteredPackages().Count(), 0);
    EXPECT_EQ(rd::TResource::Size(u":/vell_style_extra/note.txt"), 0);
    // Without the public package its sections are gone from the rebuilt class table.
    EXPECT_EQ(rd::ClassTable().Find(u"TRdLabel", u"label"), nullptr);
    EXPECT_EQ(form->broadcasts, before + 1);

    style->PublicRccFiles()->Add(u"public.rcc");
    EXPECT_EQ(lower(style->LoadedRccList()), std::vector<std::u16string>{lower(skin + u"public.rcc")});
    EXPECT_EQ(lower(rd::TResource::PublicPackagePath()), lower(skin + u"public.rcc"));
    EXPECT_NE(rd::ClassTable().Find(u"TRdLabel", u"label"), nullptr);
    EXPECT_EQ(form->broadcasts, before + 2);
    // The list stays sorted.
    style->PublicRccFiles()->Add(u"a.rcc");
    EXPECT_EQ(style->PublicRccFiles()->Strings(0), u"a.rcc");
    ::DeleteFileW(reinterpret_cast<const wchar_t*>(extra.c_str()));
}

// ---- paths ----

TEST_F(SkinStyleTest, ARuntimePathBelowTheProgramFolderThatDoesNotExistIsTakenAsItIs) {
    formWithStyle(u"no-such-skin-folder", "black.dll", true);
    EXPECT_EQ(rd::TResource::RootPath(), u"no-such-skin-folder");
    EXPECT_EQ(rd::TResource::SkinPackagePath(), u"");
}

TEST_F(SkinStyleTest, PathsAreStoredOnlyWhenSetAndTheDesignTimePathIsOnlyKept) {
    TStyleForm* form = formWithStyle(folder, "black.dll", true, "  DesigntimePath = 'C:\\skins'\n");
    rd::TRdSkinStyle* style = styleOf(form);
    EXPECT_EQ(style->DesigntimePath(), u"C:\\skins");
    EXPECT_EQ(lower(rd::TResource::RootPath()), lower(skin));
    const tk::ClassInfo& info = rd::TRdSkinStyle::StaticClass();
    EXPECT_TRUE(info.findProperty("DesigntimePath")->isStored(*style));
    EXPECT_TRUE(info.findProperty("SkinRccFile")->isStored(*style));
    style->SetDesigntimePath(u"");
    style->SetRuntimePath(u"");
    EXPECT_FALSE(info.findProperty("DesigntimePath")->isStored(*style));
    EXPECT_FALSE(info.findProperty("RuntimePath")->isStored(*style));
    // The read-only values have no setter.
    for (const char* name : {"CurSkinRccFile", "CurSkinPath", "CurMainStyle"})
        EXPECT_FALSE(info.findProperty(name)->setStr) << name;
}

// ---- second form colour ----

TEST_F(SkinStyleTest, TheSecondFormColourIsProcessWideAndRepaintsOnlyOnAChange) {
    TStyleForm* form = formWithStyle(folder, "black.dll", true, "  FormDefaultColor2nd = clRed\n");
    rd::TRdSkinStyle* style = styleOf(form);
    EXPECT_EQ(style->FormDefaultColor2nd(), TColor(0x0000FF));
    EXPECT_EQ(rd::FormColor2nd(), TColor(0x0000FF));
    const int before = form->broadcasts;
    style->SetFormDefaultColor2nd(0x0000FF);
    EXPECT_EQ(form->broadcasts, before);
    style->SetFormDefaultColor2nd(clNone);
    EXPECT_EQ(rd::FormColor2nd(), clNone);
    EXPECT_EQ(form->broadcasts, before + 1);
}

// ---- the owner's font ----

TEST_F(SkinStyleTest, TheOwnersFontChangesWithEverySubComponentThatKeepsAFontOfItsOwn) {
    tk::RegisterToolkitClasses();
    auto* form = new TStyleForm(tk::Application());
    form->ReadDescription("object f: TStyleForm\n ParentFont = False\n Font.Name = 'Tahoma'\n"
                          " object pnl: TPanel\n  ParentFont = False\n  Font.Name = 'Tahoma'\n"
                          "  Font.Style = [fsBold]\n end\n"
                          " object style: TRdSkinStyle\n  MainSkin = True\n end\nend");
    rd::TRdSkinStyle* style = styleOf(form);
    auto* panel = dynamic_cast<tk::TControl*>(form->FindComponent("pnl"));
    ASSERT_NE(panel, nullptr);
    tk::TFont* font = style->CurOwnerFont();
    EXPECT_EQ(font->Name(), u"Tahoma");
    font->SetName(u"Arial");
    EXPECT_EQ(form->Font()->Name(), u"Arial");
    EXPECT_EQ(panel->Font()->Name(), u"Arial");
    // A style change keeps the styles a sub-component has of its own.
    font->SetStyle({tk::fsItalic});
    EXPECT_EQ(form->Font()->Style(), tk::TFontStyles({tk::fsItalic}));
    EXPECT_EQ(panel->Font()->Style(), tk::TFontStyles({tk::fsBold, tk::fsItalic}));
    // Attributes other than name, style and charset are not carried.
    font->SetHeight(-40);
    EXPECT_NE(form->Font()->Height(), -40);
    EXPECT_EQ(style->CurOwnerFont()->Name(), u"Arial");
}

TEST_F(SkinStyleTest, WithoutAControlAsOwnerTheApplicationsFontChanges) {
    tk::TFont* appFont = tk::Application()->DefaultFont();
    const std::u16string oldName = appFont->Name();
    rd::TRdSkinStyle style(nullptr);
    style.CurOwnerFont()->SetName(u"Courier New");
    EXPECT_EQ(appFont->Name(), u"Courier New");
    appFont->SetName(oldName);
}

TEST_F(SkinStyleTest, ADescriptionWrittenBackHoldsTheStoredValuesOnly) {
    TStyleForm* form = formWithStyle(folder, "black.dll", true, "  RccTintColor = clRed\n");
    const std::string text = tk::TWriter(form).WriteRootComponent();
    for (const char* line :
         {"MainSkin = True", "SkinRccFile = 'black.dll'", "RccTintColor = clRed", "'public.rcc'"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    for (const char* name : {"CurSkinRccFile", "CurSkinPath", "CurMainStyle", "CurOwnerFont",
                             "FormDefaultColor2nd", "DesigntimePath"})
        EXPECT_EQ(text.find(name), std::string::npos) << name;
}
