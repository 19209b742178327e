#include "core/component/writer.h"
#include "core/forms/format.h"
#include "tests/support/component_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vell::tk;
using namespace vell::tk::fixture;
namespace forms = vell::forms;

namespace {

// A root with every kind of property set away from its default, a collection, lines,
// nested objects, references both ways, events and children two levels deep.
void fill(TRoot& root) {
    root.SetName("Root1");
    root.SetCount(-7);
    root.SetBig(5000000000LL);
    root.SetFlag(true);
    root.SetKind(TKind::kThree);
    root.SetStyles(TStyles{stBold, stUnderline});
    root.SetShade(0x202020);
    root.SetRatio(1.0 / 3.0);
    root.SetSingle(0.1f);
    root.SetMoney(12.3456);
    root.SetWhen(45000.25);
    root.SetMask(0xFF00000F);
    root.SetLetter(u'\u00E9');
    root.SetCaption(u"it's\r\n\u00FCber \U0001F600 " + std::u16string(70, u'x'));
    root.Lines()->SetText(u"one\r\n'two'\r\n");
    root.Order()->SetText(u"b\r\na\r\n");
    static_cast<TItem*>(root.Items()->Add())->SetCaption(u"first");
    static_cast<TItem*>(root.Items()->Add())->SetValue(2);
    root.Sub()->SetWidth(9);
    root.Sub()->data = {1, 2, 0xFF};
    auto* a = new TThing(&root);
    a->SetName("A");
    a->parent = &root;
    a->SetCount(1);
    auto* b = new TThing(&root);
    b->SetName("B");
    b->parent = a;
    b->SetBuddy(&root);
    root.SetBuddy(b);
    root.OnPing.bind([](TObject*) {}, "RootPing");
}

} // namespace

TEST(Writer, WritesEveryKindAndReadsBackToTheSameText) {
    TRoot root(nullptr);
    fill(root);
    const std::string first = TWriter(&root).WriteRootComponent();
    TRoot copy(nullptr);
    TReader(&copy).ReadRootComponent(first);
    EXPECT_EQ(TWriter(&copy).WriteRootComponent(), first);
    // Equal values, not only equal text.
    EXPECT_EQ(copy.Count(), -7);
    EXPECT_EQ(copy.Big(), 5000000000LL);
    EXPECT_TRUE(copy.Flag());
    EXPECT_EQ(copy.Kind(), TKind::kThree);
    EXPECT_EQ(copy.Styles(), (TStyles{stBold, stUnderline}));
    EXPECT_EQ(copy.Shade(), 0x202020);
    EXPECT_EQ(copy.Ratio(), 1.0 / 3.0);
    EXPECT_EQ(copy.Single(), 0.1f);
    EXPECT_DOUBLE_EQ(copy.Money(), 12.3456);
    EXPECT_EQ(copy.When(), 45000.25);
    EXPECT_EQ(copy.Mask(), 0xFF00000Fu);
    EXPECT_EQ(copy.Letter(), u'\u00E9');
    EXPECT_TRUE(copy.Caption() == root.Caption());
    EXPECT_TRUE(copy.Lines()->Equals(*root.Lines()));
    EXPECT_EQ(copy.Order()->Text(), u"a\r\nb\r\n");
    ASSERT_EQ(copy.Items()->Count(), 2);
    EXPECT_EQ(static_cast<TItem*>(copy.Items()->Items(0))->Caption(), u"first");
    EXPECT_EQ(static_cast<TItem*>(copy.Items()->Items(1))->Value(), 2);
    EXPECT_EQ(copy.Sub()->Width(), 9);
    EXPECT_EQ(copy.Sub()->data, root.Sub()->data);
    auto* b = dynamic_cast<TThing*>(copy.FindComponent("B"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->parent, copy.FindComponent("A"));
    EXPECT_EQ(copy.Buddy(), b);
    EXPECT_EQ(b->Buddy(), &copy);
    EXPECT_EQ(copy.OnPing.methodName(), "RootPing");
}

TEST(Writer, LeavesOutDefaultsUnstoredAndEmptyValues) {
    TRoot root(nullptr);
    root.SetName("R");
    root.SetBig(3);
    root.SetMoney(0.00004); // a currency is written in ten-thousandths: this one as the default
    EXPECT_EQ(TWriter(&root).WriteRootComponent(), "object R: TRoot\r\n"
                                                   "  Big = 3\r\n"
                                                   "  Shade = 0\r\n"
                                                   "  Letter = ' '\r\n"
                                                   "end\r\n");
    // A non-visual component's designer position is a defined property with data.
    auto* c = new TComponent(&root);
    c->SetName("C");
    TReader::ReadDefinedProperty(*c, "Left", forms::parseValue("16"), &root);
    root.SetMoney(-0.00005); // half a ten-thousandth rounds away from 0
    std::string text = TWriter(&root).WriteRootComponent();
    EXPECT_NE(text.find("  Money = -1c\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  object C: TComponent\r\n    Left = 16\r\n    Top = 0\r\n  end\r\n"),
              std::string::npos)
        << text;
}

TEST(Writer, ValuesReadBackEqualInBothLayouts) {
    auto str = [](std::u16string s) {
        forms::Value v;
        v.kind = forms::ValueKind::String;
        v.text = std::move(s);
        return v;
    };
    auto num = [](forms::ValueKind k, double d) {
        forms::Value v;
        v.kind = k;
        v.number = d;
        return v;
    };
    const forms::Value cases[] = {
        str(u""),
        str(u"it's"),
        str(u"\r\n\t#13"),
        str(u"gr\u00FC\u00DF \U0001F600"),
        str(std::u16string(1, char16_t(0xD800)) + u"x" + char16_t(0xDC00)),
        str(std::u16string(200, u'y') + u"'"),
        num(forms::ValueKind::Extended, 0.1),
        num(forms::ValueKind::Extended, -1e300),
        num(forms::ValueKind::Extended, 4.9e-324),
        num(forms::ValueKind::Extended, 3.0),
        num(forms::ValueKind::Single, static_cast<float>(1.0 / 3.0)),
        num(forms::ValueKind::Currency, -900719925474.0991),
        num(forms::ValueKind::Date, 45000.999988),
    };
    for (forms::TextLayout layout : {forms::TextLayout::Description, forms::TextLayout::SkinLine})
        for (const forms::Value& v : cases) {
            std::string text = forms::formatValue(v, layout);
            forms::Value back = forms::parseValue(text);
            EXPECT_EQ(back.kind, v.kind) << text;
            EXPECT_TRUE(back.text == v.text) << text;
            if (v.kind == forms::ValueKind::Single)
                EXPECT_EQ(static_cast<float>(back.number), static_cast<float>(v.number)) << text;
            else if (v.kind == forms::ValueKind::Currency)
                EXPECT_EQ(std::llround(back.number * 10000), std::llround(v.number * 10000)) << text;
            else
                EXPECT_EQ(back.number, v.number) << text;
            if (layout == forms::TextLayout::SkinLine) EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        }
}

TEST(Writer, PropertyLinesFlattenCollectionsAndReadBack) {
    TRoot root(nullptr);
    fill(root);
    const std::string lines = WritePropertyLines(*root.Items()->Items(0)->Collection()->Items(0));
    EXPECT_EQ(lines, "Caption='first'\r\n");
    const std::string all = WritePropertyLines(root, &root);
    EXPECT_NE(all.find("Items[0].Caption='first'\r\nItems[1].Value=2\r\n"), std::string::npos) << all;
    EXPECT_NE(all.find("Sub.Width=9\r\n"), std::string::npos) << all;
    EXPECT_NE(all.find("Styles=[stBold, stUnderline]\r\n"), std::string::npos) << all;
    TRoot copy(nullptr);
    copy.Items()->Add();
    copy.Items()->Add();
    TReader(&copy).ReadSkinLines(&copy, all, TReader::TSkinMode::Raise);
    TWriter writer(&copy);
    writer.TopLevelFilter = [](const PropInfo& p) { return p.type->kind != TypeKind::Class; };
    std::vector<forms::PropertyLine> filtered;
    writer.WriteProperties(copy, "", filtered);
    for (const forms::PropertyLine& l : filtered)
        EXPECT_NE(l.path.substr(0, 4), "Sub.");
    // Skin lines bind no events and carry no component references.
    std::string expected = all;
    expected.erase(expected.find("Buddy=B\r\n"), 9);
    expected.erase(expected.find("OnPing=RootPing\r\n"), 17);
    EXPECT_EQ(WritePropertyLines(copy, &copy), expected);
}
