// The loader's skin modules (image engine, resource packages, skin styles) started, shut
// down and started again in one process: a skinned form reads and paints the same each
// time, and each shut-down gives back what its start-up took: class and picture-format
// registrations, toolkit hooks, the image resolver, the main style's process-wide values,
// cached graphics objects, GDI objects and windows.
#include "loader/lib/module_list.h"
#include "platform/graphics/graphics_object.h"
#include "platform/image/png_image.h"
#include "platform/image/resolver.h"
#include "rdcontrol/controls/auto_align.h"
#include "rdcontrol/controls/image.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "rdcontrol/skinstyle/skin_style.h"
#include "tests/support/gui_handles.h"
#include "tests/win/resource/resource_fixture.h"
#include "tests/win/skinstyle/style_fixture.h"
#include "toolkit/hooks.h"
#include "toolkit/picture.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

using namespace vell;

namespace {

std::span<const loader::Module> skinModules() {
    const auto all = loader::LoaderModules();
    auto named = [&](const char* name) {
        return std::find_if(all.begin(), all.end(), [&](const loader::Module& m) { return std::strcmp(m.name, name) == 0; });
    };
    const auto first = named("image engine"), last = named("skin styles");
    return {first, last + 1};
}

// What start-up puts in place for the rest of the process to find.
struct Registries {
    std::vector<const tk::ClassInfo*> classes;
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
    for (const char* name : {"TRdSkinStyle", "TRdPanel", "TRdLayerForm", "TRdImage", "TRdLabel", "TRdPaintBox",
                             "TRdFont", "TRdSkinClass", "TRdAutoAlign"})
        r.classes.push_back(tk::FindClass(name));
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
    form->ReadDescription("object f: TForm\n ClientWidth = 560\n ClientHeight = 240\n"
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

} // namespace

TEST(SkinModules, StartStopAndStartAgainInAFreshProcess) {
    EXPECT_EQ(rdtest::RunDisabledTestsInChild("SkinModulesChild.DISABLED_*"), 0u)
        << "the child's failures are in its own output";
}

TEST(SkinModulesChild, DISABLED_StartStopAndStartAgainBehaveTheSameAndGiveEverythingBack) {
    ASSERT_EQ(skinModules().size(), 3u);
    // The first round also warms up what the platform creates once per process.
    std::vector<std::uint8_t> first;
    Registries before{}, started{};
    const tk::TToolkitHooks* framework = &tk::ToolkitHooks();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const Registries idle = registries();
        if (round == 1) before = idle;
        if (round > 1) EXPECT_EQ(idle, before);
        EXPECT_EQ(idle.classes, std::vector<const tk::ClassInfo*>(idle.classes.size(), nullptr));
        EXPECT_FALSE(idle.png || idle.rdg || idle.resolves || idle.mainStyle);
        EXPECT_EQ(idle.color2nd, clNone);
        EXPECT_EQ(idle.hooks, framework);

        loader::ModuleList modules(skinModules());
        modules.Startup();
        ASSERT_TRUE(rd::LoadWebResLibrary(u"" VELL_BINARY_DIR "\\product\\"));
        const Registries up = registries();
        EXPECT_TRUE(up.png && up.rdg && up.resolves);
        EXPECT_NE(up.hooks, idle.hooks);
        for (const tk::ClassInfo* c : up.classes) EXPECT_NE(c, nullptr);
        if (round == 1) started = up;
        if (round > 1) EXPECT_EQ(up, started);

        const std::vector<std::uint8_t> pixels = paintSkinnedForm();
        if (round == 0) first = pixels;
        EXPECT_TRUE(pixels == first) << "the form paints the same";
        size_t opaque = 0;
        for (size_t i = 3; i < pixels.size(); i += 4) opaque += pixels[i] == 255;
        EXPECT_GT(opaque, pixels.size() / 8) << "the skin's panel picture covers most of the form";
        modules.Shutdown();
    }
    const Registries after = registries();
    EXPECT_EQ(after, before);
}
