// TRdFont: local and parent attributes, opacity in the colour, size steps on a base
// height, update brackets, metrics, form descriptions, skin sections and form-wide
// font changes, on a small container control that owns a skinned font.
#include "core/color/colors.h"
#include "core/component/writer.h"
#include "platform/text/canvas_font.h"
#include "rdcontrol/skinstyle/form_font.h"
#include "rdcontrol/skinstyle/rd_font.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "tests/support/resource_fixture.h"
#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"

#include <gtest/gtest.h>

using namespace vell;
using rd::TRdFont;

namespace {

// A container with a skin class and a skinned font, the way skinned controls hold them;
// it counts the font-change messages it is sent.
class TSkinnedBox : public tk::TPanel {
    VELL_CLASS_INFO()
  public:
    explicit TSkinnedBox(tk::TComponent* AOwner)
        : tk::TPanel(AOwner), FAllSkin(std::make_unique<rd::TRdSkinClass>(this, this, nullptr)) {
        ReplaceFont(std::make_unique<TRdFont>(this, FAllSkin.get()));
    }
    TRdFont* RdFont() const { return static_cast<TRdFont*>(Font()); }
    rd::TRdSkinClass* AllSkin() const { return FAllSkin.get(); }
    void SetAllSkin(const rd::TRdSkinClass* Value) { FAllSkin->Assign(Value); }
    int fontMessages = 0;

    void WndProc(tk::TMessage& Message) override {
        if (Message.Msg == rd::CM_RDFONTCHANGE) ++fontMessages;
        tk::TPanel::WndProc(Message);
    }

  private:
    std::unique_ptr<rd::TRdSkinClass> FAllSkin;
};

const tk::ClassInfo& TSkinnedBox::StaticClass() {
    static const tk::ClassInfo info = tk::ClassBuilder<TSkinnedBox>("TSkinnedBox", &tk::TPanel::StaticClass())
                                          .obj("AllSkin", tk::ClassTypeOf<rd::TRdSkinClass>(),
                                               &TSkinnedBox::AllSkin, &TSkinnedBox::SetAllSkin)
                                          .build();
    return info;
}

// Counts the change notifications a font sends.
struct ChangeCounter {
    explicit ChangeCounter(tk::TFont& f) {
        f.OnChange = [this](tk::TGraphicsObject*) { ++count; };
    }
    int count = 0;
};

std::string utf8(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out += c < 128 ? char(c) : '?';
    return out;
}

struct RdFontTest : ::testing::Test {
    void SetUp() override {
        rdtest::StartModulesOnce();
        rd::RegisterSkinStyle();
        rd::RegisterRdFont();
        tk::RegisterClassInfo(TSkinnedBox::StaticClass());
        tk::SetFontIncSize(0);
    }
    void TearDown() override {
        tk::SetFontIncSize(0);
        tk::FreeApplication();
    }
};

// ---- local and parent attributes ----

TEST_F(RdFontTest, ANewFontHasEveryAttributeLocalAndLinkingWithCopyMakesThemFollowTheParent) {
    TRdFont parent;
    parent.SetName(u"Arial");
    parent.SetHeight(-20);
    parent.SetColor(clRed);
    parent.SetAntialiased(true);
    TRdFont font;
    for (bool local : font.ChgProperty())
        EXPECT_TRUE(local);
    EXPECT_FALSE(font.ParentFont());

    font.SetParentFont(&parent, true);
    for (bool local : font.ChgProperty())
        EXPECT_FALSE(local);
    EXPECT_TRUE(font.ParentFont());
    EXPECT_EQ(font.Name(), u"Arial");
    EXPECT_EQ(font.Height(), -20);
    EXPECT_EQ(font.Color(), clRed);
    EXPECT_TRUE(font.Antialiased());
}

TEST_F(RdFontTest, ALocalNameStaysWhileTheColourFollowsTheParent) {
    TSkinnedBox box(nullptr);
    TRdFont parent;
    TRdFont& font = *box.RdFont();
    font.SetParentFont(&parent, true);
    font.SetName(u"Courier New");
    EXPECT_FALSE(font.ParentFont());

    parent.SetName(u"Arial");
    parent.SetColor(clRed);
    parent.SetStyle({tk::fsBold});
    font.DoParentFontChange();
    EXPECT_EQ(font.Name(), u"Courier New");
    EXPECT_EQ(font.Color(), clRed);
    EXPECT_EQ(font.Style(), tk::TFontStyles({tk::fsBold}));
    EXPECT_TRUE(font.ChgProperty()[rd::rfaName]);
    EXPECT_FALSE(font.ChgProperty()[rd::rfaColor]);

    // clDefault goes back to following the parent.
    font.SetColor(clWhite);
    EXPECT_TRUE(font.ChgProperty()[rd::rfaColor]);
    font.SetColor(clDefault);
    EXPECT_EQ(font.Color(), clRed);
    EXPECT_FALSE(font.ChgProperty()[rd::rfaColor]);
}

TEST_F(RdFontTest, APlainParentLeavesTheSkinnedAttributesLocal) {
    tk::TFont parent;
    TRdFont font;
    font.SetParentFont(&parent, true);
    const auto& local = font.ChgProperty();
    for (int i : {rd::rfaCharset, rd::rfaColor, rd::rfaHeight, rd::rfaName, rd::rfaStyle})
        EXPECT_FALSE(local[i]) << i;
    for (int i : {rd::rfaAntialiased, rd::rfaAllSkin, rd::rfaShadowGlow})
        EXPECT_TRUE(local[i]) << i;
    EXPECT_FALSE(font.ParentFont()); // only a skinned parent counts

    font.SetParentFont(nullptr, false);
    for (bool l : font.ChgProperty())
        EXPECT_TRUE(l);
}

TEST_F(RdFontTest, ParentFontPropertyCopiesTheParentOrMakesEverythingLocal) {
    TRdFont parent;
    parent.SetName(u"Arial");
    TRdFont font;
    font.SetParentFont(&parent, true);
    font.SetName(u"Verdana");
    font.SetParentFontProperty(true);
    EXPECT_EQ(font.Name(), u"Arial");
    EXPECT_TRUE(font.ParentFont());
    font.SetParentFontProperty(false);
    for (bool l : font.ChgProperty())
        EXPECT_TRUE(l);
}

TEST_F(RdFontTest, ASetterMarksItsAttributeLocalByTheComponentRule) {
    struct Case {
        const char* what;
        bool withComponent;
        bool reading;
        bool sameValue;
        bool local;
    } cases[] = {
        {"changed value", true, false, false, true},
        {"same value on a control", true, false, true, false},
        {"same value, no component", false, false, true, true},
        {"same value while reading", true, true, true, true},
    };
    for (const Case& c : cases) {
        TSkinnedBox box(nullptr);
        TRdFont parent;
        TRdFont own(c.withComponent ? &box : nullptr);
        own.SetParentFont(&parent, true);
        if (c.reading) box.SetState(tk::csReading);
        own.SetHeight(c.sameValue ? own.Height() : own.Height() - 4);
        own.SetAntialiased(c.sameValue ? own.Antialiased() : !own.Antialiased());
        EXPECT_EQ(own.ChgProperty()[rd::rfaHeight], c.local) << c.what;
        EXPECT_EQ(own.ChgProperty()[rd::rfaAntialiased], c.local) << c.what;
        box.ClearState(tk::csReading);
    }
}

TEST_F(RdFontTest, ShadowAndSkinClassChangesAreLocalAndNotify) {
    TRdFont parent;
    TRdFont font;
    font.SetParentFont(&parent, true);
    ChangeCounter changes(font);
    font.ShadowGlow()->SetEnabled(true);
    EXPECT_TRUE(font.ChgProperty()[rd::rfaShadowGlow]);
    font.AllSkin()->Draw()->SetDrawGray(true);
    EXPECT_TRUE(font.ChgProperty()[rd::rfaAllSkin]);
    EXPECT_EQ(changes.count, 2);
}

// ---- values ----

TEST_F(RdFontTest, AlphaLivesInTheColoursTopByte) {
    struct Case {
        std::uint8_t alpha;
        tk::TColor color;
    } cases[] = {{255, 0x000000FF}, {128, 0x800000FF}, {1, 0x010000FF}};
    for (const Case& c : cases) {
        TRdFont font;
        font.SetColor(0x800000FF);
        font.SetAlpha(c.alpha);
        EXPECT_EQ(font.Color(), c.color) << int(c.alpha);
        EXPECT_EQ(font.Alpha(), c.alpha);
    }
}

TEST_F(RdFontTest, SizeStepsCountFromTheBaseHeight) {
    TRdFont font;
    font.SetPixelsPerInch(96);
    font.SetHeight(-15);
    font.SetBaseHeight(-15); // base size 11
    EXPECT_EQ(font.IncSizeOnBase(2), 2);
    EXPECT_EQ(font.Size(), 13);
    EXPECT_EQ(font.BaseHeight(), -15);
    EXPECT_EQ(font.IncSizeOnBase(0), -2);
    EXPECT_EQ(font.Height(), -15);

    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13); // -MulDiv(10, 96, 72)
}

TEST_F(RdFontTest, AnUpdateBracketFoldsChangesIntoOneNotification) {
    TRdFont font;
    ChangeCounter changes(font);
    font.BeginUpdate();
    font.SetName(u"Arial");
    font.SetHeight(-30);
    font.BeginUpdate();
    font.SetStyle({tk::fsItalic});
    font.EndUpdate();
    EXPECT_EQ(changes.count, 0);
    font.EndUpdate();
    EXPECT_EQ(changes.count, 1);

    font.BeginUpdate();
    font.SetName(u"Arial"); // no change
    font.EndUpdate();
    EXPECT_EQ(changes.count, 1);
    font.EndUpdate(); // an unmatched close does nothing
    font.SetHeight(-31);
    EXPECT_EQ(changes.count, 2);
}

TEST_F(RdFontTest, MetricsAreMeasuredAndRenewedAfterAChange) {
    TRdFont font;
    font.SetName(u"Tahoma");
    font.SetHeight(-12);
    const int small = font.FontHeight();
    EXPECT_GT(small, 0);
    EXPECT_GT(font.FontBaseLine(), 0);
    EXPECT_GE(font.FontTopLine(), 0);
    EXPECT_EQ(font.FontTextMetric().tmDescent, font.FontBaseLine());
    font.SetHeight(-40);
    EXPECT_GT(font.FontHeight(), small);
    EXPECT_GT(font.TextWidth(u"abab"), font.TextWidth(u"ab"));
    EXPECT_EQ(font.TextWidth(u""), 0);
}

TEST_F(RdFontTest, AntialiasingChoosesTheOutputQuality) {
    TRdFont font;
    EXPECT_EQ(font.LogFont().lfQuality, DEFAULT_QUALITY);
    font.SetAntialiased(true);
    EXPECT_EQ(font.LogFont().lfQuality, ANTIALIASED_QUALITY);
}

TEST_F(RdFontTest, AssignCopiesTheSkinnedPartsAndEqualsComparesThem) {
    TRdFont source;
    source.SetName(u"Arial");
    source.SetAntialiased(true);
    source.ShadowGlow()->SetEnabled(true);
    source.AllSkin()->SetSkinClass(u"font_normal");
    source.SetBaseHeight(-17);
    TRdFont parent;
    source.SetParentFont(&parent, false);
    source.SetChgProperty(rd::rfaName, true);

    TRdFont copy;
    ChangeCounter changes(copy);
    copy.Assign(&source);
    EXPECT_EQ(changes.count, 1);
    EXPECT_TRUE(copy.Equals(source));
    EXPECT_EQ(copy.ChgProperty(), source.ChgProperty());
    EXPECT_EQ(copy.AllSkin()->SkinClass(), u"font_normal");
    EXPECT_EQ(copy.BaseHeight(), -17);

    copy.ShadowGlow()->SetEnabled(false);
    EXPECT_FALSE(copy.Equals(source));

    text::TCanvasFont canvasFont;
    canvasFont.ShadowGlow()->SetEnabled(true);
    TRdFont fromCanvas;
    fromCanvas.Assign(&canvasFont);
    EXPECT_TRUE(fromCanvas.ShadowGlow()->Enabled());
}

TEST_F(RdFontTest, AssignFromTheParentKeepsTheStyleTheFontHadBeforeItsLink) {
    TRdFont parent;
    parent.SetStyle({tk::fsBold});
    TRdFont link;
    link.SetStyle({tk::fsUnderline});
    link.SetParentFont(&parent, true);
    EXPECT_EQ(link.Style(), tk::TFontStyles({tk::fsBold, tk::fsUnderline}));
    EXPECT_EQ(link.Parent(), &parent);
}

TEST_F(RdFontTest, AFontChangeRecordChangesOnlyWhatItNamesAndWhatIsStored) {
    TRdFont font;
    font.SetStyle({tk::fsBold, tk::fsUnderline});
    font.SetColor(ColorNameKey(u"text.cl_txt_hot"));
    const tk::TFontStyles old{tk::fsBold};
    rd::TCNFontChangeParams p;
    p.FontSets = {rd::cnfName, rd::cnfStyle, rd::cnfToVclColor};
    p.FontName = u"Arial";
    p.FontStyle = {tk::fsItalic};
    p.OldFontStyle = &old;
    ChangeCounter changes(font);
    font.UpdateFromParams(p);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(font.Name(), u"Arial");
    EXPECT_EQ(font.Style(), tk::TFontStyles({tk::fsItalic, tk::fsUnderline}));
    EXPECT_EQ(font.Color(), SkinColorToRGB(ColorNameKey(u"text.cl_txt_hot")));

    // Following a parent, neither the size step nor the name is the font's to take.
    TRdFont parent;
    TRdFont child;
    child.SetParentFont(&parent, true);
    rd::TCNFontChangeParams q;
    q.FontSets = {rd::cnfIncSize, rd::cnfName};
    q.IncSize = 4;
    q.FontName = u"Verdana";
    child.UpdateFromParams(q);
    EXPECT_EQ(child.Height(), parent.Height());
    EXPECT_EQ(child.Name(), parent.Name());
    EXPECT_EQ(q.SizeChanged, 0);
}

// ---- form descriptions ----

tk::TForm* readForm(const std::string& text) {
    auto* form = new tk::TForm(tk::Application());
    form->ReadDescription(text);
    return form;
}

TEST_F(RdFontTest, ADescriptionWritesLocalAttributesAndTheBaseHeightOnlyWhenThereIsOne) {
    TSkinnedBox box(nullptr);
    TRdFont parent;
    TRdFont& font = *box.RdFont();
    font.SetParentFont(&parent, true);
    font.SetName(u"Arial");
    std::string lines = tk::WritePropertyLines(font);
    EXPECT_NE(lines.find("Name='Arial'"), std::string::npos) << lines;
    for (const char* absent : {"Color", "Height", "Style", "Charset", "Antialiased", "ParentFont", "Alpha"})
        EXPECT_EQ(lines.find(absent), std::string::npos) << absent << " in\n" << lines;

    font.IncSizeOnBase(2); // takes the height as base, then steps
    lines = tk::WritePropertyLines(font);
    EXPECT_NE(lines.find("Height_Default=" + std::to_string(parent.Height())), std::string::npos) << lines;
    EXPECT_NE(("\n" + lines).find("\nHeight="), std::string::npos) << lines;

    font.OnStoredCallback = [](TRdFont*, int index, bool& stored) {
        if (index == rd::rfaName) stored = false;
    };
    EXPECT_EQ(tk::WritePropertyLines(font).find("Name"), std::string::npos);

    box.SetDesigning(true);
    EXPECT_EQ(tk::WritePropertyLines(font, &box).find("Height_Default"), std::string::npos);
}

TEST_F(RdFontTest, AFormDescriptionRoundTripKeepsTheFontAndItsBaseHeight) {
    std::unique_ptr<tk::TForm> form(readForm("object f: TForm\n"
                                             " object box: TSkinnedBox\n"
                                             "  Font.Name = 'Arial'\n"
                                             "  Font.Height = -19\n"
                                             "  Font.Height_Default = -15\n"
                                             "  Font.Antialiased = True\n"
                                             "  Font.AllSkin.SkinClass = 'font_normal'\n"
                                             " end\n"
                                             "end"));
    auto* box = dynamic_cast<TSkinnedBox*>(form->FindComponent("box"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->RdFont()->BaseHeight(), -15);
    EXPECT_EQ(box->RdFont()->Height(), -19);
    EXPECT_TRUE(box->RdFont()->Antialiased());

    const std::string text = tk::TWriter(form.get()).WriteRootComponent();
    std::unique_ptr<tk::TForm> again(readForm(text));
    auto* box2 = dynamic_cast<TSkinnedBox*>(again->FindComponent("box"));
    ASSERT_NE(box2, nullptr) << text;
    EXPECT_TRUE(box2->RdFont()->Equals(*box->RdFont())) << text;
    EXPECT_EQ(box2->RdFont()->BaseHeight(), -15) << text;
    EXPECT_EQ(box2->RdFont()->AllSkin()->SkinClass(), u"font_normal");

    // A plain font has no base height to write.
    std::unique_ptr<tk::TForm> plain(
        readForm("object f: TForm\n object box: TSkinnedBox\n  Font.Name = 'Arial'\n end\nend"));
    EXPECT_EQ(tk::TWriter(plain.get()).WriteRootComponent().find("Height_Default"), std::string::npos);
}

TEST_F(RdFontTest, ABadBaseHeightInADescriptionIsARefusedValue) {
    EXPECT_THROW(
        readForm("object f: TForm\n object box: TSkinnedBox\n  Font.Height_Default = 'x'\n end\nend"),
        vell::Exception);
}

// ---- skins ----

struct RdFontSkinTest : RdFontTest {
    void SetUp() override {
        RdFontTest::SetUp();
        const std::u16string skin = rdtest::DemoSkinFolder();
        form.reset(readForm(
            "object f: TForm\n object style: TRdSkinStyle\n  MainSkin = True\n  RuntimePath = '" +
            utf8(skin.substr(0, skin.size() - 1)) +
            "'\n  PublicRccFiles.Strings = (\n   'public.rcc')\n  SkinRccFile = 'black.dll'\n end\nend"));
    }
    void TearDown() override {
        form.reset();
        RdFontTest::TearDown();
    }
    // A box in the form whose skin sections are the label's.
    TSkinnedBox* labelBox() {
        auto* box = new TSkinnedBox(form.get());
        box->SetParent(form.get());
        box->AllSkin()->SetOwnerClassName("TRdLabel");
        return box;
    }
    std::unique_ptr<tk::TForm> form;
};

TEST_F(RdFontSkinTest, ASkinSectionSetsTheFontsColourByNameAndItsHeight) {
    TSkinnedBox* box = labelBox();
    TRdFont& font = *box->RdFont();
    ChangeCounter changes(font);
    box->AllSkin()->SetSkinClass(u"label_tip");
    EXPECT_EQ(SkinColorToRGB(font.Color()) & 0xFFFFFF, 0xF7F4F2u); // text.cl_txt_hot = F2F4F7
    EXPECT_EQ(font.Name(), u"Segoe UI");
    EXPECT_EQ(font.Height(), -15);
    EXPECT_EQ(font.BaseHeight(), 0); // a font without a base height only takes the height
}

TEST_F(RdFontSkinTest, ASkinHeightOnAFontWithABaseHeightMovesTheBaseAndStepsAgain) {
    tk::SetFontIncSize(2);
    TSkinnedBox* box = labelBox();
    TRdFont& font = *box->RdFont();
    font.SetBaseHeight(-11);
    box->AllSkin()->SetSkinClass(u"label_tip");
    tk::TFont expected;
    expected.SetPixelsPerInch(font.PixelsPerInch());
    expected.SetBaseHeight(-15);
    expected.IncSizeOnBase(2);
    EXPECT_EQ(font.BaseHeight(), -15);
    EXPECT_EQ(font.Height(), expected.Height());
}

TEST_F(RdFontSkinTest, TheFontsOwnSkinClassLoadsItsSectionAsOneChange) {
    TSkinnedBox* box = labelBox();
    TRdFont& font = *box->RdFont();
    font.AllSkin()->SetSkinClass(u"font_normal");
    EXPECT_EQ(font.Name(), u"Segoe UI");
    EXPECT_EQ(SkinColorToRGB(font.Color()) & 0xFFFFFF, 0xD6CEC9u); // text.cl_txt = C9CED6

    font.SetName(u"Arial");
    font.SetColor(clRed);
    ChangeCounter changes(font);
    font.AllSkin()->LoadSkinValue(false); // as after a skin switch
    EXPECT_EQ(font.Name(), u"Segoe UI");
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(font.AllSkin()->Parent(), box->AllSkin());
}

// ---- form-wide changes ----

TEST_F(RdFontTest, AFormWideFontChangeReachesEveryControlWithAFontOfItsOwn) {
    std::unique_ptr<tk::TForm> form(new tk::TForm(tk::Application()));
    auto make = [&](tk::TWinControl* parent, tk::TComponent* owner, bool ownFont) {
        auto* b = new TSkinnedBox(owner);
        b->SetParent(parent);
        if (ownFont) {
            b->SetParentFont(false);
            b->RdFont()->SetStyle({tk::fsBold, tk::fsUnderline});
        }
        return b;
    };
    TSkinnedBox* outer = make(form.get(), form.get(), true);
    TSkinnedBox* inner = make(outer, outer, true); // owned by the box: reached through ownership
    TSkinnedBox* follower = make(outer, form.get(), false);
    TSkinnedBox* excluded = make(outer, form.get(), true);
    ASSERT_TRUE(follower->ParentFont());

    const tk::TFontStyles old{tk::fsBold};
    rd::TCNFontChangeParams p;
    p.FontSets = {rd::cnfName, rd::cnfStyle};
    p.FontName = u"Arial";
    p.FontStyle = {tk::fsItalic};
    p.OldFontStyle = &old;
    TRdFont::UpdateFormFont(form.get(), p, {excluded});

    for (TSkinnedBox* b : {outer, inner}) {
        EXPECT_EQ(b->Font()->Name(), u"Arial");
        EXPECT_EQ(b->Font()->Style(), tk::TFontStyles({tk::fsItalic, tk::fsUnderline}));
        EXPECT_EQ(b->fontMessages, 1);
    }
    EXPECT_EQ(follower->fontMessages, 1);
    EXPECT_NE(excluded->Font()->Name(), u"Arial");
    EXPECT_EQ(excluded->fontMessages, 0);
    EXPECT_TRUE(form->HandleAllocated());
}

TEST_F(RdFontTest, AFormWideSizeStepMovesEveryOwnFontFromItsBase) {
    std::unique_ptr<tk::TForm> form(new tk::TForm(tk::Application()));
    auto* box = new TSkinnedBox(form.get());
    box->SetParent(form.get());
    box->RdFont()->SetHeight(-15);
    const int baseSize = box->RdFont()->Size();
    tk::TFont* appFont = tk::Application()->DefaultFont();
    const int appBaseSize = appFont->BaseHeight()
                                ? -::MulDiv(appFont->BaseHeight(), 72, appFont->PixelsPerInch())
                                : appFont->Size();

    TRdFont::UpdateFontSize(form.get(), 3);
    EXPECT_EQ(box->RdFont()->Size(), baseSize + 3);
    EXPECT_EQ(box->RdFont()->BaseHeight(), -15);
    EXPECT_EQ(box->fontMessages, 1);
    EXPECT_EQ(appFont->Size(), appBaseSize + 3);

    rd::SetFontSizeFactor(2);
    TRdFont::UpdateFormFontSize(1);
    rd::SetFontSizeFactor(1);
    EXPECT_EQ(tk::FontIncSize(), 2);
    EXPECT_EQ(box->RdFont()->Size(), baseSize + 2);
    TRdFont::UpdateFontSize(form.get(), 0);
    EXPECT_EQ(box->RdFont()->Height(), -15);
    TRdFont::UpdateFontSize(form.get(), 0);
    EXPECT_EQ(appFont->Size(), appBaseSize);
}

} // namespace
