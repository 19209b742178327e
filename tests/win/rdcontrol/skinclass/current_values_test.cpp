// CurrentValues: an object's look as skin-section text, which a skin author pastes into a
// skin file to give other objects the same values.
#include "tests/win/rdcontrol/skinclass/skinned.h"

#include "core/component/writer.h"
#include "core/text/utf.h"
#include "platform/image/rdg_image.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::skintest;
using rd::TRdSkinClass;

namespace {

class CurrentValues : public SkinTest {};

std::string text8(tk::TStrings* s) {
    return text::utf16ToUtf8(s->Text());
}

bool hasLine(const std::string& text, const std::string& start) {
    return text.find("\r\n" + start) != std::string::npos;
}

// A control whose every kind of value differs from its default.
void dress(TSkinned& c) {
    c.SetBounds(5, 6, 70, 80);
    c.SetCaption(u"Caption text");
    c.SetColor(0x00102030);
    c.SetCount(-12);
    c.SetShowCaption(false);
    c.SetAlignment(tk::taRightJustify);
    c.Font()->SetName(u"Segoe UI");
    c.Font()->SetHeight(-17);
    c.Font()->SetStyle(tk::TFontStyles{tk::fsBold, tk::fsUnderline});
    c.Font()->SetColor(0x00F7F4F2);
    c.Picture()->SetGraphic(std::make_unique<image::TRdgImage>(u"images/a.png"));
    static_cast<skintest::TItem*>(c.Items()->Items(0))->SetValue(4);
    static_cast<skintest::TItem*>(c.Items()->Items(1))->SetCaption(u"item 'one'\u00e9");
    c.AllSkin()->Draw()->SetDrawAlpha(128);
}

} // namespace

TEST_F(CurrentValues, SectionHeaderClassAndTheLinesASkinMaySet) {
    TSkinned* c = control("pnl_Main");
    dress(*c);
    const std::string text = text8(c->AllSkin()->CurrentValues());
    EXPECT_EQ(text.rfind("[pnl_Main]\r\nclass=TSkinned\r\n", 0), 0u) << text;
    for (const char* absent : {"Left=", "Top=", "Width=", "Height=", "TabOrder=", "Caption=", "DesignSize=",
                               "AllSkin", "Items[1].Caption="})
        EXPECT_FALSE(hasLine(text, absent)) << absent << "\n" << text;
    for (const char* present : {"Color=", "Count=-12", "ShowCaption=False", "Font.Height=-17",
                                "Font.Style=[fsBold, fsUnderline]", "Picture.Text=", "Items[0].Value=4"})
        EXPECT_TRUE(hasLine(text, present)) << present << "\n" << text;

    // The section is the skin class's name when it has one; without a name the class's.
    c->AllSkin()->SetSkinClass(u"my_panel");
    EXPECT_EQ(text8(c->AllSkin()->CurrentValues()).rfind("[my_panel]\r\n", 0), 0u);
    TSkinned unnamed(nullptr);
    EXPECT_EQ(text8(unnamed.AllSkin()->CurrentValues()).rfind("[Skinned]\r\nclass=TSkinned\r\n", 0), 0u);
}

TEST_F(CurrentValues, PastedIntoASkinTheyGiveFreshControlsTheSameValues) {
    TSkinned* model = control("model");
    dress(*model);
    std::string section = text8(model->AllSkin()->CurrentValues());
    section.replace(1, 5, "look"); // [model] -> [look]
    skin(section);

    TSkinned* fresh = control("fresh");
    fresh->AllSkin()->SetSkinClass(u"look");
    // Everything but the texts and the place, which the skin leaves to the form.
    auto look = [](TSkinned& c) {
        std::string lines = tk::WritePropertyLines(c);
        std::string kept;
        size_t at = 0;
        while (at < lines.size()) {
            size_t end = lines.find("\r\n", at);
            std::string line = lines.substr(at, end - at);
            at = end + 2;
            for (const char* skip : {"Left=", "Top=", "Width=", "Height=", "Caption=", "Items[1].Caption=",
                                     "AllSkin.", "Picture."})
                if (line.rfind(skip, 0) == 0) line.clear();
            if (!line.empty()) kept += line + "\n";
        }
        return kept;
    };
    EXPECT_EQ(look(*fresh), look(*model));
    // The picture came from the skin, with its mark; the draw settings are not the skin's.
    EXPECT_EQ(fresh->AllSkin()->Draw()->DrawAlpha(), 255);
    auto* rdg = dynamic_cast<image::TRdgImage*>(fresh->Picture()->Graphic());
    ASSERT_NE(rdg, nullptr);
    EXPECT_EQ(rdg->ImgName(), u"images/a.png");
    EXPECT_TRUE(rd::FromSkin(fresh->Picture()));

    // Plain framework controls, skinned through a skin class of their own.
    tk::TLabel label(nullptr);
    label.SetName("lbl");
    label.SetCaption(u"x");
    label.SetAlignment(tk::taCenter);
    label.SetWordWrap(true);
    label.Font()->SetColor(0x00112233);
    TRdSkinClass labelSkin(&label, &label, nullptr);
    std::string labelSection = text8(labelSkin.CurrentValues());
    labelSection.replace(1, 3, "lbl_look");
    skin(labelSection, u"test2.rcc");
    tk::TLabel freshLabel(nullptr);
    TRdSkinClass freshSkin(&freshLabel, &freshLabel, nullptr);
    freshSkin.SetSkinClass(u"lbl_look");
    EXPECT_EQ(freshLabel.Alignment(), tk::taCenter);
    EXPECT_TRUE(freshLabel.WordWrap());
    EXPECT_EQ(freshLabel.Font()->Color(), TColor(0x00112233));
    EXPECT_EQ(freshLabel.Caption(), u"");
}
