// The loader's skin modules (image engine, resource packages, skin styles, hints) started,
// shut down and started again in one process: a skinned form reads and paints the same each
// time, a shadowed form with a button on its shadow layer, an embedded form skin and skinned
// hints behave the same, and each shut-down gives back what its start-up took: class and
// picture-format registrations (also the framework's "TLabel"), toolkit hooks (the form
// skins' opacity follower, the hint manager), the application's hint window class, the image
// resolver, the main style's process-wide values, cached graphics objects, GDI objects and
// windows.
#include "loader/lib/module_list.h"
#include "platform/graphics/graphics_object.h"
#include "platform/image/png_image.h"
#include "platform/image/resolver.h"
#include "rdcontrol/base/auto_align.h"
#include "rdcontrol/formskin/form_shadow.h"
#include "rdcontrol/formskin/form_skin.h"
#include "rdcontrol/panels/image.h"
#include "rdcontrol/buttons/image_button.h"
#include "rdcontrol/labels/transparent_label.h"
#include "rdcontrol/hint/hint_window.h"
#include "rdcontrol/hint/skin_hint.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "tests/support/gui_handles.h"
#include "tests/support/resource_fixture.h"
#include "tests/win/rdcontrol/skinstyle/style_fixture.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/hint.h"
#include "toolkit/hooks.h"
#include "toolkit/picture.h"
#include "toolkit/stdctrls.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

using namespace vell;

namespace {

std::span<const loader::Module> skinModules() {
    const auto all = loader::LoaderModules();
    auto named = [&](const char* name) {
        return std::find_if(all.begin(), all.end(),
                            [&](const loader::Module& m) { return std::strcmp(m.name, name) == 0; });
    };
    const auto first = named("image engine"), last = named("hints");
    return {first, last + 1};
}

// What start-up puts in place for the rest of the process to find.
struct Registries {
    std::vector<const tk::ClassInfo*> classes;
    const tk::ClassInfo* label;
    bool png, rdg;
    tk::TToolkitHooks* hooks;
    bool resolves;
    int skinClasses;
    rd::TRdSkinStyle* mainStyle;
    TColor color2nd;
    size_t cachedGraphics, gdi, user;
    bool operator==(const Registries&) const = default;
};

Registries registries() {
    Registries r{};
    for (const char* name : {"TRdSkinStyle", "TRdPanel", "TRdLayerForm", "TRdImage", "TRdLabel",
                             "TRdPaintBox", "TRdFont", "TRdSkinClass", "TRdAutoAlign", "TRdFormSkin",
                             "TRdFormWndList", "TRdImageButton", "TRdSkinHint", "TUseSkinHint"})
        r.classes.push_back(tk::FindClass(name));
    r.label = tk::FindClass("TLabel");
    r.png = tk::TPicture::FindFormatByExtension(u"png") != nullptr;
    r.rdg = tk::TPicture::FindFormatByExtension(u"rdg") != nullptr;
    r.hooks = &tk::ToolkitHooks();
    r.resolves = image::ResolveImageName(u"images/not-in-any-skin.png") != nullptr;
    r.skinClasses = rd::TRdSkinClass::RegisteredCount();
    r.mainStyle = rd::MainSkinStyle();
    r.color2nd = rd::FormColor2nd();
    r.cachedGraphics = tk::CachedGraphicsObjectCount();
    r.gdi = testgui::GdiObjects();
    r.user = testgui::UserObjects();
    return r;
}

// The loading box's skinned content with the demo skins, painted into a 32-bit image; an
// aligner keeps the icon below the label.
std::vector<std::uint8_t> paintSkinnedForm() {
    const std::string skin = styletest::ascii(rdtest::DemoSkinFolder());
    auto* form = new tk::TForm(tk::Application());
    form->ReadDescription(
        "object f: TForm\n ClientWidth = 560\n ClientHeight = 240\n"
        " object style: TRdSkinStyle\n  MainSkin = True\n  RuntimePath = '" +
        skin.substr(0, skin.size() - 1) +
        "'\n  PublicRccFiles.Strings = (\n   'public.rcc')\n  SkinRccFile = 'black.dll'\n"
        "  FormDefaultColor2nd = clRed\n end\n"
        " object panel: TRdPanel\n  Width = 560\n  Height = 240\n  Color = clNone\n"
        "  object bg: TRdImage\n   Align = alClient\n   Picture.Text = 'imgname=[img_preview_pannel]'\n"
        "   Stretch = True\n  end\n"
        "  object icon: TRdImage\n   Left = 240\n   Top = 56\n   AutoSize = True\n"
        "   Picture.Text = 'imgname=images/app_icon_tip.png'\n  end\n"
        "  object tip: TRdLabel\n   Left = 48\n   Top = 170\n   Width = 465\n   Height = 55\n"
        "   Alignment = taCenter\n   AutoSize = False\n   Caption = 'Launching...'\n"
        "   Font.Color = text.cl_txt_hot\n   Font.Height = -15\n  end\n end\nend");
    auto* icon = dynamic_cast<rd::TRdImage*>(form->FindComponent("icon"));
    auto* tip = dynamic_cast<tk::TControl*>(form->FindComponent("tip"));
    EXPECT_TRUE(icon && tip);
    auto align = std::make_unique<rd::TRdAutoAlign>(icon);
    align->SetSource(tip);
    EXPECT_EQ(rd::FormColor2nd(), clRed);

    image::TPngImage* png = image::TPngImage::CreateBlank(6, 8, 560, 240, true, false, true, false);
    form->PaintTo(png->CanvasHandle(), 0, 0);
    ::GdiFlush();
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < png->Height(); ++y) {
        const auto* row = static_cast<const std::uint8_t*>(png->GetScanline(y));
        pixels.insert(pixels.end(), row, row + png->Width() * 4);
    }
    png->ReleaseRef();
    align.reset();
    tk::FreeApplication();
    return pixels;
}

void settle(int rounds = 6) {
    for (int i = 0; i < rounds; ++i) {
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&m);
            ::DispatchMessageW(&m);
        }
        ::Sleep(15);
    }
}

// What a shadowed form with a button on its shadow layer, a form skin inside it and skinned
// hints showed.
struct Dressing {
    int shadowAlpha;    // the shadow's opacity after the form's changed
    bool buttonOnLayer; // the listed button was drawn on the layer only
    bool rootHookList;  // the embedded form skin follows the form through its hook list
    bool skinnedHint;   // the application's hint window is the skinned one
    bool operator==(const Dressing&) const = default;
};

// Shows such a form (the application lives on; the form is freed again).
Dressing dressedForm() {
    Dressing d{};
    auto* form = new tk::TForm(tk::Application());
    form->SetBorderStyle(tk::bsNone);
    form->SetBounds(100, 100, 300, 200);
    form->SetAlphaBlend(true);
    auto* skin = new rd::TRdFormSkin(form);
    for (int i = 0; i < 4; ++i)
        skin->ShadowFrame()->SetIndex(i, 10);
    skin->ShadowFrame()->SetEnabled(true);
    auto* button = new rd::TRdImageButton(form);
    button->SetName("btn");
    button->SetParent(form);
    button->SetBounds(280, 20, 30, 30);
    int onOwner = 0, onLayer = 0;
    button->OnPaint = [&](tk::TObject*) { ++(skin->ShadowCanvas() ? onLayer : onOwner); };
    skin->DrawControlList()->Add(u"btn");
    skin->InitSkin();
    auto* panel = new tk::TPanel(form);
    panel->SetBounds(20, 20, 100, 80);
    auto* inner = new rd::TRdFormSkin(panel);
    inner->InitSkin();
    panel->SetParent(form);
    auto* style = new rd::TRdSkinHint(form);
    button->SetHint(u"a skinned hint");
    button->SetShowHint(true);
    button->SetCustomHint(style);
    form->Show();
    settle();
    onOwner = onLayer = 0;
    button->Repaint();
    settle();
    form->SetAlphaBlendValue(180);
    int pause = 0; // the hint manager's pause makes the skinned window the application's kind
    button->Perform(tk::CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&pause));
    tk::Application()->ShowHintFor(button, POINT{395, 135});
    settle();
    d.shadowAlpha = skin->FormShadowBg() ? skin->FormShadowBg()->ConstantAlpha() : -1;
    d.buttonOnLayer = onLayer > 0 && onOwner == 0;
    d.rootHookList = inner->RootForm() == form && form->FindComponent("RdFormWndList");
    d.skinnedHint = dynamic_cast<rd::TRdSkinHintWindow*>(tk::Application()->HintWindow()) != nullptr;
    tk::Application()->CancelHint();
    tk::Free(form);
    settle();
    return d;
}

} // namespace

TEST(SkinModules, StartStopAndStartAgainInAFreshProcess) {
    EXPECT_EQ(rdtest::RunDisabledTestsInChild("SkinModulesChild.DISABLED_*"), 0u)
        << "the child's failures are in its own output";
}

TEST(SkinModulesChild, DISABLED_StartStopAndStartAgainBehaveTheSameAndGiveEverythingBack) {
    ASSERT_EQ(skinModules().size(), 4u);
    // The first round also warms up what the platform creates once per process.
    std::vector<std::uint8_t> first;
    Registries before{}, started{};
    const tk::TToolkitHooks* framework = &tk::ToolkitHooks();
    tk::RegisterToolkitClasses();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const Registries idle = registries();
        if (round == 1) before = idle;
        if (round > 1) EXPECT_EQ(idle, before);
        EXPECT_EQ(idle.classes, std::vector<const tk::ClassInfo*>(idle.classes.size(), nullptr));
        EXPECT_FALSE(idle.png || idle.rdg || idle.resolves || idle.mainStyle);
        EXPECT_EQ(idle.color2nd, clNone);
        EXPECT_EQ(idle.hooks, framework);
        EXPECT_EQ(idle.label, &tk::TLabel::StaticClass());

        loader::ModuleList modules(skinModules());
        modules.Startup();
        ASSERT_TRUE(rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\product\\"));
        const Registries up = registries();
        EXPECT_TRUE(up.png && up.rdg && up.resolves);
        EXPECT_NE(up.hooks, idle.hooks);
        for (const tk::ClassInfo* c : up.classes)
            EXPECT_NE(c, nullptr);
        EXPECT_EQ(up.label, &rd::TTransparentLabel::StaticClass());
        if (round == 1) started = up;
        if (round > 1) {
            Registries same = up;
            same.hooks = started.hooks; // the hint manager at the top is made anew each start
            EXPECT_EQ(same, started);
        }

        const std::vector<std::uint8_t> pixels = paintSkinnedForm();
        if (round == 0) first = pixels;
        EXPECT_TRUE(pixels == first) << "the form paints the same";
        size_t opaque = 0;
        for (size_t i = 3; i < pixels.size(); i += 4)
            opaque += pixels[i] == 255;
        EXPECT_GT(opaque, pixels.size() / 8) << "the skin's panel picture covers most of the form";
        EXPECT_EQ(dressedForm(), (Dressing{180, true, true, true}));
        modules.Shutdown();
        // The loader's application ends before its modules; one that lives on gets the
        // framework's hint window again.
        EXPECT_EQ(tk::Application()->HintWindowClass(), &tk::THintWindow::StaticClass());
        EXPECT_EQ(dynamic_cast<rd::TRdSkinHintWindow*>(tk::Application()->HintWindow()), nullptr);
        tk::FreeApplication();
    }
    const Registries after = registries();
    EXPECT_EQ(after, before);
}
