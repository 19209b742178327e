// Skin classes: a section applies to owners of its class, inherited lines first, with the
// skin class's filters; loading is guarded by the component's state and passes errors on
// after the children loaded; draw settings clamp and scale windowed owners; the registry
// reloads in creation order.
#include "tests/win/rdcontrol/skinclass/skinned.h"

#include "core/color/colors.h"
#include "core/text/utf.h"
#include "platform/graphics/font.h"
#include "platform/image/png_image.h"
#include "platform/image/rdg_image.h"

#include <gtest/gtest.h>

using namespace vell;
using namespace vell::skintest;
using rd::TRdSkinClass;

namespace {

std::string valuesOf(tk::TStrings* s) {
    return text::utf16ToUtf8(s->Text());
}

class SkinClassTest : public SkinTest {};

} // namespace

TEST_F(SkinClassTest, SectionsApplyByOwnerClassWithInheritedLinesFirst) {
    skin("[a]\nclass=TSkinned\nFont.Color=text.cl_txt_hot\nCount=1\n"
         "[b]\nclass=TSkinned\nparent=a\nColor=$123456\nCount=2\n"
         "[title]\nclass=TRdPanel\nCount=9\n");
    TSkinned* c = control();
    c->AllSkin()->SetSkinClass(u"b");
    // A skin colour name: its key, resolved through the skin's colour table when drawn.
    EXPECT_EQ(SkinColorToRGB(c->Font()->Color()), 0x00F7F4F2u);
    EXPECT_EQ(c->Color(), TColor(0x123456));
    EXPECT_EQ(c->Count(), 2); // b's own line wins over a's
    EXPECT_EQ(valuesOf(c->AllSkin()->SkinValues()),
              "Font.Color=text.cl_txt_hot\r\nclass=TSkinned\r\nparent=a\r\nColor=$123456\r\nCount=2\r\n");

    // Another class's section of that name applies nothing.
    TSkinned* other = control("other");
    other->AllSkin()->SetSkinClass(u"title");
    EXPECT_EQ(other->Count(), 0);
    EXPECT_EQ(other->AllSkin()->SkinValues()->Count(), 0);
    // ...unless the owner class is overridden.
    other->AllSkin()->SetOwnerClassName("TRdPanel");
    other->AllSkin()->LoadSkinValue(false);
    EXPECT_EQ(other->Count(), 9);
}

TEST_F(SkinClassTest, IgnoreValuesSkipPathsPrefixesItemsAndCollections) {
    skin("[s]\nclass=TSkinned\nFont.Color=clRed\nFont.Height=-20\nItems[1].Caption=one\nItems[2].Value=7\n"
         "Items[5].Caption=none\nCount=3\n");
    struct Case {
        const char* ignore;
        TColor color;
        int height;
        const char* item1;
        int item2;
    } cases[] = {
        {"", clRed, -20, "one", 7},
        {"Font.Color", tk::clWindowText, -20, "one", 7},
        {"font", tk::clWindowText, -11, "one", 7},
        {"Items", clRed, -20, "", 0},
        {"Items[1]", clRed, -20, "", 7},
        {"Items[2].Value", clRed, -20, "one", 0},
    };
    for (const Case& k : cases) {
        TSkinned* c = control(("c" + std::to_string(&k - cases)).c_str());
        if (*k.ignore) c->AllSkin()->IgnoreValues()->Add(text::utf8ToUtf16(k.ignore));
        c->AllSkin()->SetSkinClass(u"s");
        EXPECT_EQ(c->Font()->Color(), k.color) << k.ignore;
        EXPECT_EQ(c->Font()->Height(), k.height) << k.ignore;
        EXPECT_EQ(text::utf16ToUtf8(static_cast<skintest::TItem*>(c->Items()->Items(1))->Caption()), k.item1)
            << k.ignore;
        EXPECT_EQ(static_cast<skintest::TItem*>(c->Items()->Items(2))->Value(), k.item2) << k.ignore;
        EXPECT_EQ(c->Count(), 3) << k.ignore;
    }
}

TEST_F(SkinClassTest, ValuesNativeAndLiteral) {
    skin("[native]\nclass=TSkinned\nFont.Style=fsBold,fsItalic\nCaption=a 'b' c\n"
         "[literal]\nclass=TSkinned\nFont.Style=[fsBold, fsItalic]\nCaption='a'#13#10'b'\n"
         "[empty]\nclass=TSkinned\nFont.Style=\n");
    TSkinned* n = control("n");
    n->AllSkin()->SetSkinClass(u"native");
    TSkinned* l = control("l");
    l->AllSkin()->SetSkinClass(u"literal");
    EXPECT_EQ(n->Font()->Style(), l->Font()->Style());
    EXPECT_TRUE(n->Font()->Style().has(tk::fsBold) && n->Font()->Style().has(tk::fsItalic));
    EXPECT_EQ(n->Caption(), u"a 'b' c"); // plain text as it stands
    EXPECT_EQ(l->Caption(), u"a\r\nb");
    n->AllSkin()->SetSkinClass(u"empty");
    EXPECT_TRUE(n->Font()->Style().empty());
}

TEST_F(SkinClassTest, FontSizeFromASkinMovesABaseHeightAndReappliesTheStep) {
    skin("[h]\nclass=TSkinned\nFont.Height=-20\n[s]\nclass=TSkinned\nFont.Size=12\n");
    tk::SetFontIncSize(2);
    TSkinned* plain = control("plain");
    plain->AllSkin()->SetSkinClass(u"h");
    EXPECT_EQ(plain->Font()->Height(), -20); // no base: only the height
    EXPECT_EQ(plain->Font()->BaseHeight(), 0);

    TSkinned* based = control("based");
    based->Font()->SetPixelsPerInch(96);
    based->Font()->SetBaseHeight(-15);
    based->AllSkin()->SetSkinClass(u"h");
    EXPECT_EQ(based->Font()->BaseHeight(), -20);
    EXPECT_EQ(based->Font()->Size(), 2 - ::MulDiv(-20, 72, 96)); // the step counts from the new base
    based->AllSkin()->SetSkinClass(u"s");
    EXPECT_EQ(based->Font()->BaseHeight(), -16);
    EXPECT_EQ(based->Font()->Size(), 14);
    tk::SetFontIncSize(0);
}

TEST_F(SkinClassTest, SkinPicturesReplaceOnlyPicturesOfTheSkinUnlessForced) {
    // Text for a defined property is a literal; plain text gives its first value, a name.
    skin("[p]\nclass=TSkinned\nPicture.Text='imgname=images/a.png'\n");
    auto refName = [](TSkinned* c) -> std::string {
        auto* rdg = dynamic_cast<image::TRdgImage*>(c->Picture()->Graphic());
        return rdg ? text::utf16ToUtf8(rdg->ImgName()) : std::string("<none>");
    };
    auto setOwn = [](TSkinned* c) {
        auto rdg = std::make_unique<image::TRdgImage>(u"images/b.png");
        c->Picture()->SetGraphic(std::move(rdg));
    };
    TSkinned* empty = control("empty");
    empty->AllSkin()->SetSkinClass(u"p");
    EXPECT_EQ(refName(empty), "images/a.png");
    EXPECT_TRUE(rd::FromSkin(empty->Picture()));
    bool marked = false;
    for (const std::u16string& line : static_cast<image::TRdgImage*>(empty->Picture()->Graphic())->Values())
        marked |= line == u"SkinRcc=test";
    EXPECT_TRUE(marked);

    TSkinned* own = control("own");
    setOwn(own);
    own->AllSkin()->SetSkinClass(u"p");
    EXPECT_EQ(refName(own), "images/b.png");
    own->AllSkin()->SetForceUseSkinPic(true); // loads again, now taking the skin's
    EXPECT_EQ(refName(own), "images/a.png");

    // A skin picture is replaced by the next skin's; ClearOwnerPic empties the picture.
    empty->AllSkin()->LoadSkinValue(false);
    EXPECT_EQ(refName(empty), "images/a.png");
    empty->AllSkin()->SetClearOwnerPic(true);
    EXPECT_TRUE(empty->Picture()->Empty());
}

TEST_F(SkinClassTest, LoadingWaitsForTheComponentAndTheSameNameDoesNotReload) {
    skin("[s]\nclass=TSkinned\nCount=5\n[t]\nclass=TSkinned\nCount=6\n");
    TSkinned* c = control();
    int changes = 0;
    c->AllSkin()->OnChange = [&](tk::TObject*) { ++changes; };
    c->SetState(tk::csLoading);
    c->AllSkin()->SetSkinClass(u"s");
    EXPECT_EQ(c->countSets, 0);
    c->ClearState(tk::csLoading);
    c->AllSkin()->LoadSkinValue(true);
    EXPECT_EQ(c->countSets, 1);
    c->AllSkin()->SetSkinClass(u"S"); // the same name, without case
    EXPECT_EQ(c->countSets, 1);
    EXPECT_EQ(changes, 1);
    c->AllSkin()->SetSkinClass(u"t");
    EXPECT_EQ(c->Count(), 6);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(c->AllSkin()->Registered());
    c->AllSkin()->SetSkinClass(u"");
    EXPECT_FALSE(c->AllSkin()->Registered());
}

TEST_F(SkinClassTest, AFailingLinePassesOnAfterStateAndChildrenAreRestored) {
    skin("[bad]\nclass=TSkinned\nCount=1\nTag=twelve\nCount=2\n"
         "[child]\nclass=TSkinned\nCount=7\n");
    TSkinned* parent = control("parent");
    TSkinned* childOwner = control("childOwner");
    TRdSkinClass child(childOwner, childOwner, parent->AllSkin());
    child.SetSkinClass(u"child");
    childOwner->SetCount(0);
    parent->SetState(tk::csLoading);
    parent->AllSkin()->SetSkinClass(u"bad");
    parent->ClearState(tk::csLoading);
    try {
        parent->AllSkin()->LoadSkinValue(true);
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Invalid Ident value: Tag=twelve");
    }
    EXPECT_EQ(parent->Count(), 1); // lines after the failing one are not applied
    EXPECT_FALSE(parent->InState(tk::csUpdating));
    EXPECT_EQ(childOwner->Count(), 7); // the child still loaded
}

TEST_F(SkinClassTest, BadLinesChangeNothingAndNeverCrash) {
    const std::string huge(1 << 20, 'x');
    skin("[s]\nclass=TSkinned\nNothing=1\nItems[99999999999].Caption=x\nItems[-1].Caption=x\n"
         "Items[4294967296].Caption=x\nFont.Nothing.Deep=1\nCount.X=1\nAllSkin.SkinValues=x\n"
         "SkinValues.Strings=('a')\nCaption=" +
         huge +
         "\n[loop1]\nclass=TSkinned\nparent=loop2\nCount=4\n"
         "[loop2]\nclass=TSkinned\nparent=loop1\nTag=3\n");
    TSkinned* c = control();
    c->AllSkin()->SetSkinClass(u"s");
    EXPECT_EQ(c->Caption().size(), huge.size());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(static_cast<skintest::TItem*>(c->Items()->Items(i))->Caption().empty());
    c->AllSkin()->SetSkinClass(u"loop1"); // a parent cycle: each section once
    EXPECT_EQ(c->Count(), 4);
    EXPECT_EQ(c->Tag(), 3);
}

TEST_F(SkinClassTest, DrawSettingsClampAndScaleAWindowedOwner) {
    TSkinned* c = control();
    rd::TRdSkinClassDraw* d = c->AllSkin()->Draw();
    struct Case {
        void (rd::TRdSkinClassDraw::*set)(int);
        int (rd::TRdSkinClassDraw::*get)() const;
        int value, expected;
    } cases[] = {
        {&rd::TRdSkinClassDraw::SetDrawAlpha, &rd::TRdSkinClassDraw::DrawAlpha, 300, 255},
        {&rd::TRdSkinClassDraw::SetDrawAlpha, &rd::TRdSkinClassDraw::DrawAlpha, -5, 0},
        {&rd::TRdSkinClassDraw::SetDrawBkgBlur, &rd::TRdSkinClassDraw::DrawBkgBlur, 101, 100},
        {&rd::TRdSkinClassDraw::SetDrawBlur, &rd::TRdSkinClassDraw::DrawBlur, -1, 0},
        {&rd::TRdSkinClassDraw::SetDrawScale, &rd::TRdSkinClassDraw::DrawScale, 0, 1},
        {&rd::TRdSkinClassDraw::SetDrawScale, &rd::TRdSkinClassDraw::DrawScale, 5000, 2000},
    };
    for (const Case& k : cases) {
        (d->*k.set)(k.value);
        EXPECT_EQ((d->*k.get)(), k.expected) << k.value;
    }
    d->Assign(nullptr);
    EXPECT_TRUE(d->Empty());

    int changes = 0;
    d->OnChanged = [&](tk::TObject*) { ++changes; };
    c->SetBounds(10, 20, 200, 100);
    struct Step {
        int scale, w, h;
    } steps[] = {{150, 300, 150}, {100, 200, 100}, {50, 200, 100}, {200, 400, 200}, {50, 200, 100}};
    for (const Step& s : steps) {
        d->SetDrawScale(s.scale);
        EXPECT_EQ(c->Width(), s.w) << s.scale;
        EXPECT_EQ(c->Height(), s.h) << s.scale;
        EXPECT_EQ(c->Left(), 10);
    }
    EXPECT_EQ(changes, 5);
    d->SetDrawScale(50); // the same value: nothing
    EXPECT_EQ(changes, 5);
}

TEST_F(SkinClassTest, AssignEqualsAndEmpty) {
    skin("[s]\nclass=TSkinned\nCount=8\n");
    TSkinned* a = control("a");
    TSkinned* b = control("b");
    EXPECT_TRUE(a->AllSkin()->Empty());
    a->AllSkin()->IgnoreValues()->Add(u"Color");
    a->AllSkin()->Draw()->SetDrawGray(true);
    a->AllSkin()->SetSkinClass(u"s");
    b->AllSkin()->Assign(a->AllSkin());
    EXPECT_TRUE(b->AllSkin()->Equals(*a->AllSkin()));
    EXPECT_TRUE(b->AllSkin()->Draw()->DrawGray());
    EXPECT_EQ(b->Count(), 8); // assigning the name loads
    b->AllSkin()->Assign(nullptr);
    EXPECT_TRUE(b->AllSkin()->Empty());
    EXPECT_FALSE(b->AllSkin()->Equals(*a->AllSkin()));
}

TEST_F(SkinClassTest, TheRegistryReloadsInCreationOrder) {
    skin("[s]\nclass=TSkinned\nCount=1\n");
    std::vector<std::string> order;
    std::vector<TSkinned*> controls;
    for (const char* name : {"c1", "c2", "c3", "c4"})
        controls.push_back(control(name));
    // Registered in another order than created.
    for (int i : {2, 0, 3, 1})
        controls[i]->AllSkin()->SetSkinClass(u"s");
    for (TSkinned* c : controls)
        c->countSets = 0;
    int before = TRdSkinClass::RegisteredCount();
    TRdSkinClass::ForEachRegistered([&](TRdSkinClass& s) {
        if (auto* c = dynamic_cast<TSkinned*>(s.Owner())) order.push_back(c->Name());
    });
    EXPECT_EQ(order, (std::vector<std::string>{"c1", "c2", "c3", "c4"}));
    delete controls[1]; // leaves the registry with its owner
    EXPECT_EQ(TRdSkinClass::RegisteredCount(), before - 1);
    TRdSkinClass::ReloadAll();
    EXPECT_EQ(controls[0]->countSets + controls[2]->countSets + controls[3]->countSets, 3);
}

// A draw buffer takes its first size exactly (a control shown at one size never pays for
// slack); growing again means the control is being resized, and then it keeps slack.
TEST(SkinClassDrawBuffer, FirstSizeIsExactLaterGrowthKeepsSlack) {
    std::unique_ptr<image::TPngImage, void (*)(image::TPngImage*)> buffer(
        image::TPngImage::CreateBlank(6, 8, 1, 1, true, false, true, false),
        [](image::TPngImage* p) { p->ReleaseRef(); });
    struct Step {
        int W, H;
        bool Recreated;
        int BufferW, BufferH;
    };
    const Step steps[] = {
        {560, 240, true, 560, 240},  // first size: exact
        {500, 200, false, 560, 240}, // smaller: kept
        {600, 240, true, 800, 440},  // growth: a third, at least 200 pixels more
        {790, 430, false, 800, 440}, // within the slack: kept
        {1200, 300, true, 1600, 500},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.W) + " x " + std::to_string(s.H));
        EXPECT_EQ(TRdSkinClass::GrowDrawBuffer(*buffer, s.W, s.H), s.Recreated);
        EXPECT_EQ(buffer->Width(), s.BufferW);
        EXPECT_EQ(buffer->Height(), s.BufferH);
    }
}
