// A skin switch of a form holding N skinned windowless controls, each naming a section of
// four lines: the cache rebuild (registering the other skin package), the skin-class
// reloads, and the repaint of the shown form. The reloads are set against their floor:
// the same property values set on the same controls directly through reflection.
#include "core/text/utf.h"
#include "platform/graphics/font.h"
#include "rdcontrol/picture/picture_formats.h"
#include "rdcontrol/resource/resource.h"
#include "rdcontrol/skinstyle/skin_class.h"
#include "tests/support/resource_fixture.h"
#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"

#include "bench/win/bench_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace vell;
using rd::TResource;

namespace {

// Seconds on the benchmarks' shared clock.
double now() {
    return benchtiming::NowMs() / 1e3;
}

class TBenchBox : public tk::TPaintBox {
    VELL_CLASS_INFO()
  public:
    explicit TBenchBox(tk::TComponent* AOwner)
        : tk::TPaintBox(AOwner), FAllSkin(std::make_unique<rd::TRdSkinClass>(this, this, nullptr)) {}
    rd::TRdSkinClass* AllSkin() const { return FAllSkin.get(); }
    void SetAllSkin(rd::TRdSkinClass* v) { FAllSkin->Assign(v); }
    int paints = 0;

  protected:
    void Paint() override {
        ++paints;
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(GetClientRect());
    }

  private:
    std::unique_ptr<rd::TRdSkinClass> FAllSkin;
};

const tk::ClassInfo& TBenchBox::StaticClass() {
    static const tk::ClassInfo info =
        tk::ClassBuilder<TBenchBox>("TBenchBox", &tk::TPaintBox::StaticClass())
            .obj("AllSkin", tk::ClassTypeOf<rd::TRdSkinClass>(), &TBenchBox::AllSkin, &TBenchBox::SetAllSkin)
            .build();
    return info;
}

constexpr int kSections = 50;

// Section i of a skin: colour, font colour and height, cursor.
std::string sections(int variant) {
    std::string ini = "[validate]\nskinname=bench" + std::to_string(variant) + "\ntype=RGB\n";
    for (int i = 0; i < kSections; ++i) {
        ini += "[box" + std::to_string(i) + "]\nclass=TBenchBox\nColor=$" +
               std::to_string(100000 + i * 7 + variant) + "\nFont.Color=text.cl_txt_hot\nFont.Height=-" +
               std::to_string(11 + variant) + "\nCursor=crHandPoint\n";
    }
    return ini;
}

std::string colours(int variant) {
    return "[validate]\ntype=RGB\n[text]\ncl_txt_hot=&" + std::string(variant ? "F2F4F7" : "C9CED6") + "\n";
}

struct Form {
    std::unique_ptr<tk::TForm> form;
    std::vector<TBenchBox*> boxes;
};

Form makeForm(int n) {
    Form f;
    f.form = std::make_unique<tk::TForm>(nullptr);
    f.form->SetBounds(0, 0, 640, 480);
    for (int i = 0; i < n; ++i) {
        auto* box = new TBenchBox(f.form.get());
        box->SetParent(f.form.get());
        box->SetBounds((i % 64) * 10, (i / 64) % 48 * 10, 10, 10);
        box->AllSkin()->SetSkinClass(text::utf8ToUtf16("box" + std::to_string(i % kSections)));
        f.boxes.push_back(box);
    }
    f.form->Show();
    f.form->Update();
    return f;
}

// The floor: the values a reload sets, set through the properties' reflection.
void setDirectly(Form& f, int variant) {
    const tk::ClassInfo& cls = TBenchBox::StaticClass();
    const tk::PropInfo* color = cls.findProperty("Color");
    const tk::PropInfo* cursor = cls.findProperty("Cursor");
    const tk::PropInfo* font = cls.findProperty("Font");
    const tk::PropInfo* fontColor = tk::TFont::StaticClass().findProperty("Color");
    const tk::PropInfo* fontHeight = tk::TFont::StaticClass().findProperty("Height");
    TColor hot = 0;
    SkinIdentToColor(u"text.cl_txt_hot", hot);
    for (std::size_t i = 0; i < f.boxes.size(); ++i) {
        TBenchBox& b = *f.boxes[i];
        color->setOrd(b, 100000 + int(i % kSections) * 7 + variant);
        auto* fnt = static_cast<tk::TObject*>(font->getObj(b));
        fontColor->setOrd(*fnt, hot);
        fontHeight->setOrd(*fnt, -(11 + variant));
        cursor->setOrd(b, -21);
    }
}

void measure(int n, const std::u16string& pkgA, const std::u16string& pkgB) {
    TResource::Register(pkgA, false);
    Form f = makeForm(n);
    double rebuild = 1e9, reload = 1e9, repaint = 1e9, floor = 1e9;
    for (int round = 0; round < 6; ++round) {
        const std::u16string& pkg = round % 2 ? pkgA : pkgB;
        double t = now();
        TResource::Register(pkg, false);
        double t1 = now();
        rd::TRdSkinClass::ReloadAll();
        double t2 = now();
        ::RedrawWindow(f.form->Handle(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        double t3 = now();
        setDirectly(f, round % 2);
        double t4 = now();
        rebuild = std::min(rebuild, t1 - t);
        reload = std::min(reload, t2 - t1);
        repaint = std::min(repaint, t3 - t2);
        floor = std::min(floor, t4 - t3);
    }
    std::printf("%5d controls  cache rebuild %7.2f ms  reloads %7.2f ms  repaint %7.2f ms  whole %7.2f ms"
                "   reflection floor %6.2f ms  reloads/floor %5.1f\n",
                n, rebuild * 1e3, reload * 1e3, repaint * 1e3, (rebuild + reload + repaint) * 1e3,
                floor * 1e3, reload / floor);
}

} // namespace

int main() {
    rdtest::StartModulesOnce();
    rd::RegisterPictureFormats();
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::u16string dir = reinterpret_cast<const char16_t*>(temp);
    const std::u16string pkgA = dir + u"vell_bench_a.rcc", pkgB = dir + u"vell_bench_b.rcc";
    rdtest::WriteBytes(pkgA,
                       rdtest::PackageBytes({{"main.ini", sections(0)}, {"color_setting.ini", colours(0)}}));
    rdtest::WriteBytes(pkgB,
                       rdtest::PackageBytes({{"main.ini", sections(1)}, {"color_setting.ini", colours(1)}}));
    std::printf("Skin switch: %d sections of four lines, controls name them in turn\n", kSections);
    for (int n : {250, 1000, 4000})
        measure(n, pkgA, pkgB);
    rd::UnloadCache(true);
    ::DeleteFileW(reinterpret_cast<const wchar_t*>(pkgA.c_str()));
    ::DeleteFileW(reinterpret_cast<const wchar_t*>(pkgB.c_str()));
    return 0;
}
