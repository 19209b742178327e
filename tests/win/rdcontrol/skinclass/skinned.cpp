#include "tests/win/rdcontrol/skinclass/skinned.h"

#include "rdcontrol/picture/picture_formats.h"

namespace vell::skintest {

const tk::ClassInfo& TItem::StaticClass() {
    static const tk::ClassInfo info = tk::ClassBuilder<TItem>("TItem", &tk::TCollectionItem::StaticClass())
                                          .str("Caption", &TItem::Caption, &TItem::SetCaption)
                                          .ord("Value", tk::IntegerType(), &TItem::Value, &TItem::SetValue, 0)
                                          .build();
    return info;
}

const tk::ClassInfo& TSkinned::StaticClass() {
    using B = tk::ClassBuilder<TSkinned>;
    static const tk::ClassInfo info =
        B("TSkinned", &tk::TPanel::StaticClass())
            .obj("AllSkin", tk::ClassTypeOf<rd::TRdSkinClass>(), &TSkinned::AllSkin, &TSkinned::SetAllSkin)
            .obj("Picture", tk::ClassTypeOf<tk::TPicture>(), &TSkinned::Picture, &TSkinned::SetPicture)
            .obj("Items", tk::ClassTypeOf<tk::TCollection>(), &TSkinned::Items, &TSkinned::SetItems)
            .ord("Count", tk::IntegerType(), &TSkinned::Count, &TSkinned::SetCount, 0)
            .build();
    return info;
}

TSkinned::TSkinned(tk::TComponent* AOwner)
    : tk::TPanel(AOwner), FAllSkin(std::make_unique<rd::TRdSkinClass>(this, this, nullptr)),
      FPicture(std::make_unique<tk::TPicture>()),
      FItems(std::make_unique<tk::TCollection>(TItem::StaticClass(), tk::TCollection::factoryOf<TItem>(),
                                               this)) {}

void SkinTest::SetUpTestSuite() {
    rdtest::ResourceTest::SetUpTestSuite();
    rd::RegisterPictureFormats();
}

void SkinTest::skin(const std::string& Sections, const std::u16string& Package) {
    const std::string png = rdtest::PngBytes(4, 4, 0x00336699);
    rd::TResource::Register(
        package(Package, {{"main.ini", "[validate]\nskinname=test\ntype=RGB\n" + Sections},
                          {"color_setting.ini", "[validate]\ntype=RGB\n[text]\ncl_txt_hot=&F2F4F7\n"},
                          {"images/a.png", png},
                          {"images/b.png", png}}),
        false);
}

TSkinned* SkinTest::control(const char* Name) {
    auto* c = new TSkinned(form.get());
    c->SetName(Name);
    for (int i = 0; i < 3; ++i)
        c->Items()->Add();
    return c;
}

} // namespace vell::skintest
