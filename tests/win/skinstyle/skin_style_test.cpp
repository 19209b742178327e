// TRdSkinStyle on a form: once its description is read the main style registers the public
// package and the skin package of its folder, the skin's colours and pictures come from
// them, and every form is repainted; a later skin package switches the skin in place.
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "tests/win/resource/resource_fixture.h"
#include "toolkit/forms.h"

#include <gtest/gtest.h>

using namespace vell;

namespace {

// A form that counts the skin-change broadcasts it hears.
class TStyleForm : public tk::TForm {
    VELL_CLASS_INFO()
  public:
    using tk::TForm::TForm;
    int broadcasts = 0;

  protected:
    void WndProc(tk::TMessage& Message) override {
        if (Message.Msg == tk::CM_SYSCOLORCHANGE) ++broadcasts;
        tk::TForm::WndProc(Message);
    }
};
const tk::ClassInfo& TStyleForm::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TStyleForm>("TStyleForm", &tk::TForm::StaticClass()).build();
    return info;
}

std::string utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out += c < 128 ? char(c) : '?';
    return out;
}

// A form owned by the application with one skin style.
TStyleForm* formWithStyle(const std::u16string& runtimePath, const char* skinRccFile, bool mainSkin) {
    auto* form = new TStyleForm(tk::Application());
    std::string text = "object f: TStyleForm\n object style: TRdSkinStyle\n  MainSkin = " +
                       std::string(mainSkin ? "True" : "False") + "\n  RuntimePath = '" + utf8(runtimePath) +
                       "'\n  PublicRccFiles.Strings = (\n   'public.rcc')\n  SkinRccFile = '" + skinRccFile +
                       "'\n end\nend";
    form->ReadDescription(text);
    return form;
}

// Package paths are kept without case.
std::u16string lower(std::u16string s) {
    for (char16_t& c : s)
        if (c < 128) c = char16_t(std::tolower(c));
    return s;
}
std::vector<std::u16string> lower(std::vector<std::u16string> v) {
    for (auto& s : v)
        s = lower(s);
    return v;
}

rd::TRdSkinStyle* styleOf(TStyleForm* form) {
    return dynamic_cast<rd::TRdSkinStyle*>(form->FindComponent("style"));
}

struct SkinStyleTest : ::testing::Test {
    void SetUp() override {
        rdtest::StartModulesOnce();
        rd::RegisterSkinStyle();
    }
    void TearDown() override { tk::FreeApplication(); }
    const std::u16string skin = rdtest::DemoSkinFolder();
    const std::u16string folder = skin.substr(0, skin.size() - 1); // as a description gives it
};

} // namespace

TEST_F(SkinStyleTest, LoadingRegistersThePackagesOfItsFolderAndRepaintsEveryForm) {
    auto* other = new TStyleForm(tk::Application());
    TStyleForm* form = formWithStyle(folder, "black.dll", true);
    rd::TRdSkinStyle* style = styleOf(form);
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(rd::MainSkinStyle(), style);
    EXPECT_EQ(lower(rd::TResource::PublicPackagePath()), lower(skin + u"public.rcc"));
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
    EXPECT_EQ(lower(style->CurSkinRccFile()), lower(skin + u"black.dll"));
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

    // A package that exists in none of its forms changes the name only.
    style->SetSkinRccFile(u"missing.dll");
    EXPECT_EQ(style->SkinRccFile(), u"missing.dll");
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black2.dll"));
    EXPECT_EQ(form->broadcasts, 2);

    // The last style to go gives every package back.
    tk::FreeApplication();
    EXPECT_EQ(rd::MainSkinStyle(), nullptr);
    EXPECT_EQ(rd::TResource::SkinPackagePath(), u"");
    EXPECT_EQ(rd::TResource::PublicPackagePath(), u"");
}

TEST_F(SkinStyleTest, OnlyTheMainStyleRegisters) {
    TStyleForm* main = formWithStyle(folder, "black.dll", true);
    TStyleForm* second = formWithStyle(folder, "black2.dll", true);
    EXPECT_EQ(rd::MainSkinStyle(), styleOf(main));
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
    EXPECT_TRUE(styleOf(second)->LoadedRccList().empty());
    styleOf(second)->SetSkinRccFile(u"black2.dll");
    EXPECT_EQ(styleOf(second)->SkinRccFile(), u"black2.dll");
    EXPECT_EQ(lower(rd::TResource::SkinPackagePath()), lower(skin + u"black.dll"));
}

TEST_F(SkinStyleTest, PublicPackagesFollowTheirList) {
    TStyleForm* form = formWithStyle(folder, "black.dll", true);
    rd::TRdSkinStyle* style = styleOf(form);
    const int before = form->broadcasts;
    // Every change unregisters what the list gave before and registers the new entries.
    style->PublicRccFiles()->Clear();
    EXPECT_TRUE(style->LoadedRccList().empty());
    EXPECT_EQ(rd::TResource::PublicPackagePath(), u"");
    style->PublicRccFiles()->Add(u"public.rcc");
    EXPECT_EQ(lower(style->LoadedRccList()), std::vector<std::u16string>{lower(skin + u"public.rcc")});
    EXPECT_EQ(lower(rd::TResource::PublicPackagePath()), lower(skin + u"public.rcc"));
    EXPECT_GT(form->broadcasts, before);
}

TEST_F(SkinStyleTest, ARuntimePathBelowTheProgramFolderThatDoesNotExistIsTakenAsItIs) {
    formWithStyle(u"no-such-skin-folder", "black.dll", true);
    EXPECT_EQ(rd::TResource::RootPath(), u"no-such-skin-folder");
    EXPECT_EQ(rd::TResource::SkinPackagePath(), u"");
}
