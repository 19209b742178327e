// Skin switches end to end on shown windows with the demo skins: every effective change of
// the skin package or the tint reloads every skin class in creation order and paints each
// form once; a package that does not exist changes nothing on screen. Tinting and untinting
// gives back every colour and picture byte for byte.
#include "platform/graphics/font.h"
#include "platform/image/png_image.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "tests/win/rdcontrol/skinstyle/style_fixture.h"

#include <windows.h>

#include <memory>
#include <stdexcept>

using namespace styletest;

namespace {

// An object skinned like a label of the demo skins: it takes the lines of the label
// sections that it has properties for (the font) and records when its skin class loads.
class TSkinProbe : public tk::TComponent {
    VELL_CLASS_INFO()
  public:
    explicit TSkinProbe(tk::TComponent* AOwner)
        : tk::TComponent(AOwner), FFont(std::make_unique<tk::TFont>()),
          FSkin(std::make_unique<rd::TRdSkinClass>(this, nullptr, nullptr)) {
        FSkin->SetOwnerClassName("TRdLabel");
        FSkin->LoadBracket = [this](bool Opening) {
            if (Opening) Loads.push_back(Name());
        };
    }
    tk::TFont* Font() const { return FFont.get(); }
    void SetFont(tk::TFont* Value) { FFont->Assign(Value); }
    rd::TRdSkinClass& Skin() { return *FSkin; }
    static std::vector<std::string> Loads;

  private:
    std::unique_ptr<tk::TFont> FFont;
    std::unique_ptr<rd::TRdSkinClass> FSkin;
};
std::vector<std::string> TSkinProbe::Loads;

const tk::ClassInfo& TSkinProbe::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TSkinProbe>("TSkinProbe", &tk::TComponent::StaticClass())
            .obj("Font", tk::ClassTypeOf<tk::TFont>(), &TSkinProbe::Font, &TSkinProbe::SetFont)
            .build();
    return info;
}

// Paints that arrive later than the broadcast are counted too.
void settle() {
    for (int i = 0; i < 5; ++i) {
        tk::Application()->ProcessMessages();
        ::Sleep(10);
    }
}

void showAt(TStyleForm* form, int left) {
    form->SetBounds(left, 0, 200, 120);
    form->Show();
}

struct SkinSwitchTest : SkinStyleTest {
    // Three probes made in this order; their skin classes are named in another.
    std::vector<std::unique_ptr<TSkinProbe>> probes;
    void makeProbes() {
        for (const char* name : {"p1", "p2", "p3"}) {
            probes.push_back(std::make_unique<TSkinProbe>(nullptr));
            probes.back()->SetName(name);
        }
        for (int i : {2, 0, 1})
            probes[i]->Skin().SetSkinClass(u"label_tip");
        TSkinProbe::Loads.clear();
    }
    void TearDown() override {
        probes.clear();
        SkinStyleTest::TearDown();
    }
};

const std::vector<std::string> kCreationOrder{"p1", "p2", "p3"};

} // namespace

TEST_F(SkinSwitchTest, EachEffectiveSkinChangeReloadsInCreationOrderAndPaintsEveryFormOnce) {
    makeProbes();
    TStyleForm* main = formWithStyle(folder, "black.dll", true);
    auto* other = new TStyleForm(tk::Application());
    EXPECT_EQ(TSkinProbe::Loads, kCreationOrder);
    EXPECT_EQ(probes[0]->Font()->Height(), -15);
    EXPECT_EQ(probes[0]->Font()->Name(), u"Segoe UI");

    showAt(main, 0);
    showAt(other, 300);
    settle();

    struct Step {
        const char16_t* package;
        bool effective;
        int fontHeight;
    };
    for (const Step& step :
         {Step{u"black2.dll", true, -30}, Step{u"missing.dll", false, -30}, Step{u"black.dll", true, -15}}) {
        SCOPED_TRACE(ascii(step.package));
        TSkinProbe::Loads.clear();
        main->paints = other->paints = 0;
        styleOf(main)->SetSkinRccFile(step.package);
        settle();
        EXPECT_EQ(TSkinProbe::Loads, step.effective ? kCreationOrder : std::vector<std::string>{});
        for (TSkinProbe* probe : {probes[0].get(), probes[1].get(), probes[2].get()})
            EXPECT_EQ(probe->Font()->Height(), step.fontHeight);
        EXPECT_EQ(main->paints, step.effective ? 1 : 0);
        EXPECT_EQ(other->paints, step.effective ? 1 : 0);
    }
}

namespace {

const std::vector<std::u16string> kColours{u"text.cl_txt",       u"text.cl_txt_hot", u"text.cl_txt_dis",
                                           u"text.cl_link",      u"panel.cl_bg",     u"panel.cl_border",
                                           u"panel.cl_highlight"};
const std::vector<std::u16string> kPictures{u"images/img_preview_pannel.png", u"images/app_icon_tip.png"};

std::vector<TColor> colours() {
    std::vector<TColor> out;
    for (const auto& name : kColours)
        out.push_back(rd::TResource::GetColor(name, clNone, true));
    return out;
}

std::string pictureBytes(const std::u16string& name) {
    auto* png = dynamic_cast<image::TPngImage*>(rd::LoadCachedImage(name));
    if (!png) return {};
    std::string bytes;
    for (int y = 0; y < png->Height(); ++y)
        bytes.append(static_cast<const char*>(png->GetScanline(y)), std::size_t(png->Width()) * 4);
    return bytes;
}

std::vector<std::string> pictures() {
    std::vector<std::string> out;
    for (const auto& name : kPictures)
        out.push_back(pictureBytes(name));
    return out;
}

} // namespace

TEST_F(SkinSwitchTest, ATintAndBackToNoneRestoresEveryTintableColourAndPicture) {
    TStyleForm* form = formWithStyle(folder, "black.dll", true);
    showAt(form, 0);
    settle();
    const std::vector<TColor> plainColours = colours();
    const std::vector<std::string> plainPictures = pictures();
    ASSERT_FALSE(plainPictures[0].empty());

    form->paints = 0;
    styleOf(form)->SetRccTintColor(0x3060C0);
    settle();
    EXPECT_EQ(form->paints, 1);
    EXPECT_EQ(rd::TResource::SkinTintColor(), TColor(0x3060C0));
    const std::vector<TColor> tinted = colours();
    // Changed: the reference marked "#" and the plain colours of the section with tint=true
    // (its white keeps its value under a tint); "&" colours never change.
    const std::vector<bool> changed{false, false, false, true, true, false, false};
    for (size_t i = 0; i < kColours.size(); ++i)
        EXPECT_EQ(tinted[i] != plainColours[i], changed[i]) << ascii(kColours[i]);
    const std::vector<std::string> tintedPictures = pictures();
    EXPECT_NE(tintedPictures[0], plainPictures[0]);
    EXPECT_EQ(tintedPictures[1], plainPictures[1]); // the icon is excluded by the tint patterns

    styleOf(form)->SetRccTintColor(clNone);
    EXPECT_EQ(styleOf(form)->RccTintColor(), clNone);
    EXPECT_EQ(colours(), plainColours);
    EXPECT_EQ(pictures(), plainPictures);

    // A tint read with the description is in place once the skin is loaded.
    tk::FreeApplication();
    formWithStyle(folder, "black.dll", true, "  RccTintColor = 3170496\n");
    EXPECT_EQ(rd::TResource::SkinTintColor(), TColor(0x3060C0));
    EXPECT_EQ(colours(), tinted);
    EXPECT_EQ(pictures(), tintedPictures);
}

namespace {

// A probe whose "Transparent" (a line of the label sections) cannot be set.
class TRefusingProbe : public TSkinProbe {
    VELL_CLASS_INFO()
  public:
    using TSkinProbe::TSkinProbe;
    bool Transparent() const { return false; }
    void SetTransparent(bool) { throw std::runtime_error("refused"); }
};

const tk::ClassInfo& TRefusingProbe::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TRefusingProbe>("TRefusingProbe", &TSkinProbe::StaticClass())
            .ord("Transparent", tk::BooleanType(), &TRefusingProbe::Transparent,
                 &TRefusingProbe::SetTransparent, 0)
            .build();
    return info;
}

} // namespace

TEST_F(SkinSwitchTest, ASectionThatCannotBeAppliedStillLetsEveryClassReloadAndEveryFormRepaint) {
    TStyleForm* form = formWithStyle(folder, "black.dll", true);
    TRefusingProbe refusing(nullptr);
    refusing.SetName("refusing");
    EXPECT_ANY_THROW(refusing.Skin().SetSkinClass(u"label_tip"));
    makeProbes();
    const int before = form->broadcasts;
    EXPECT_ANY_THROW(styleOf(form)->SetSkinRccFile(u"black2.dll"));
    EXPECT_EQ(TSkinProbe::Loads, (std::vector<std::string>{"refusing", "p1", "p2", "p3"}));
    EXPECT_EQ(probes[2]->Font()->Height(), -30);
    EXPECT_EQ(form->broadcasts, before + 1);
}
