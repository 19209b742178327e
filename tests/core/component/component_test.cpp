#include "tests/support/component_fixture.h"

#include <gtest/gtest.h>

using namespace vell::tk;
using namespace vell::tk::fixture;

namespace {

std::string readError(TComponent& root, const std::string& text) {
    try {
        TReader(&root).ReadRootComponent(text);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(Reflection, PropertiesInDeclarationOrderBaseFirst) {
    std::vector<std::string> names;
    for (const PropInfo* p : TRoot::StaticClass().propertyList())
        names.push_back(p->name);
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[0], "Name");
    EXPECT_EQ(names[1], "Tag");
    EXPECT_EQ(names[2], "Count");
    EXPECT_EQ(names.back(), "OnPing");
    EXPECT_EQ(TRoot::StaticClass().findProperty("CAPTION")->name, "Caption");
    EXPECT_EQ(TRoot::StaticClass().findProperty("Missing"), nullptr);
    EXPECT_TRUE(TRoot::StaticClass().inheritsFrom(TComponent::StaticClass()));
    EXPECT_EQ(FindClass("tthing"), &TThing::StaticClass());
}

TEST(Reflection, UnregisteringAClassRemovesItUnderEveryNameAndRegisteringBringsItBack) {
    RegisterClassAlias("TOldThing", TThing::StaticClass());
    RegisterClassAlias("TOtherRoot", TRoot::StaticClass());
    UnregisterClasses({&TThing::StaticClass()});
    EXPECT_EQ(FindClass("TThing"), nullptr);
    EXPECT_EQ(FindClass("TOldThing"), nullptr);
    EXPECT_EQ(FindClass("TOtherRoot"), &TRoot::StaticClass()) << "other classes stay";
    UnregisterClassInfo(TThing::StaticClass()); // not registered: nothing happens
    RegisterClassInfo(TThing::StaticClass());
    EXPECT_EQ(FindClass("tthing"), &TThing::StaticClass());
    UnregisterClassInfo(TRoot::StaticClass());
    RegisterClassInfo(TRoot::StaticClass());
}

TEST(Reflection, GettersSettersDefaultsAndStoredTests) {
    TThing t(nullptr);
    const ClassInfo& c = t.ClassType();
    c.findProperty("Count")->setOrd(t, 42);
    EXPECT_EQ(t.Count(), 42);
    c.findProperty("Styles")->setOrd(t, 0b101);
    EXPECT_TRUE(t.Styles().has(stBold) && t.Styles().has(stUnderline) && !t.Styles().has(stItalic));
    c.findProperty("Caption")->setStr(t, u"hi");
    EXPECT_EQ(c.findProperty("Caption")->getStr(t), u"hi");
    EXPECT_TRUE(c.findProperty("Caption")->isStored(t));
    t.SetCaption(u"");
    EXPECT_FALSE(c.findProperty("Caption")->isStored(t));
    EXPECT_FALSE(c.findProperty("Name")->isStored(t));
    EXPECT_EQ(c.findProperty("Flag")->defaultValue, 0);
    EXPECT_FALSE(c.findProperty("Big")->defaultValue.has_value());
    EXPECT_FALSE(c.findProperty("Sub")->hasSetter());
}

TEST(Reader, ReadsEveryKindOfProperty) {
    TRoot root(nullptr);
    TReader(&root).ReadRootComponent(R"(object Root1: TRoot
  Count = 7
  Big = 5000000000
  Flag = True
  Kind = KTWO
  Styles = [stBold, stUnderline]
  Shade = shDark
  Ratio = 2.5
  Letter = 'x'
  Caption = 'Hello'#13#10'World'
  Lines.Strings = (
    'one'
    'two')
  Items = <
    item
      Caption = 'first'
      Value = 1
    end
    item
      Value = 2
    end>
  Sub.Width = 9
  Sub.Data = {0102FF}
  Buddy = Child
  OnPing = RootPing
  object Child: TThing
    Buddy = Root1
    OnPing = RootPing
  end
end)");
    EXPECT_EQ(root.Name(), "Root1");
    EXPECT_EQ(root.Count(), 7);
    EXPECT_EQ(root.Big(), 5000000000LL);
    EXPECT_TRUE(root.Flag());
    EXPECT_EQ(root.Kind(), TKind::kTwo);
    EXPECT_EQ(root.Styles(), (TStyles{stBold, stUnderline}));
    EXPECT_EQ(root.Shade(), 0x202020);
    EXPECT_DOUBLE_EQ(root.Ratio(), 2.5);
    EXPECT_EQ(root.Letter(), u'x');
    EXPECT_EQ(root.Caption(), u"Hello\r\nWorld");
    ASSERT_EQ(root.Lines()->Count(), 2);
    EXPECT_EQ(root.Lines()->Strings(1), u"two");
    ASSERT_EQ(root.Items()->Count(), 2);
    EXPECT_EQ(static_cast<TItem*>(root.Items()->Items(0))->Caption(), u"first");
    EXPECT_EQ(static_cast<TItem*>(root.Items()->Items(1))->Value(), 2);
    EXPECT_EQ(root.Sub()->Width(), 9);
    EXPECT_EQ(root.Sub()->data, (std::vector<uint8_t>{1, 2, 0xFF}));
    auto* child = dynamic_cast<TThing*>(root.FindComponent("child"));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Owner(), &root);
    EXPECT_EQ(child->parent, &root);
    EXPECT_EQ(root.Child, child);
    EXPECT_EQ(root.Buddy(), child);
    EXPECT_EQ(child->Buddy(), &root);
    root.OnPing(&root);
    child->OnPing(child);
    EXPECT_EQ(root.pings, 2);
    EXPECT_EQ(child->OnPing.methodName(), "RootPing");
    EXPECT_FALSE(root.InState(csLoading | csReading));
    EXPECT_FALSE(child->InState(csLoading | csReading));
    // The published field follows the component's name and life.
    child->SetName("Other");
    EXPECT_EQ(root.Child, nullptr);
    child->SetName("Child");
    EXPECT_EQ(root.Child, child);
    Free(child);
    EXPECT_EQ(root.Child, nullptr);
}

TEST(Reader, LoadedRunsAfterTheWholeTreeRootFirst) {
    std::vector<std::string> log;
    gLoadLog = &log;
    TRoot root(nullptr);
    TReader(&root).ReadRootComponent("object R: TRoot\n object A: TThing\n  object B: TThing\n  end\n end\n"
                                     " object C: TThing\n  Left = 16\n  Top = 104\n end\nend");
    gLoadLog = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"R", "A", "B", "C"}));
    EXPECT_EQ(static_cast<TThing*>(root.FindComponent("B"))->parent, root.FindComponent("A"));
    // A non-visual component's designer position.
    EXPECT_EQ(root.FindComponent("C")->DesignLeft(), 16);
    EXPECT_EQ(root.FindComponent("C")->DesignTop(), 104);
}

TEST(Reader, MalformedDescriptionsFailClearlyAndLeaveNothingBehind) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"object R: TRoot\n object A: TNoSuchClass\n end\nend", "Class TNoSuchClass not found on line 2"},
        {"object R: TRoot\n Nothing = 1\nend",
         "Error reading R.Nothing on line 2: Property Nothing does not exist"},
        {"object R: TRoot\n Count = 'text'\nend", "Error reading R.Count on line 2: Invalid property value"},
        {"object R: TRoot\n Count = 99999999999\nend",
         "Error reading R.Count on line 2: Invalid property value"},
        {"object R: TRoot\n Kind = kFour\nend", "Error reading R.Kind on line 2: Invalid property value"},
        {"object R: TRoot\n Styles = [stBold, stNone]\nend",
         "Error reading R.Styles on line 2: Invalid property value"},
        {"object R: TRoot\n Shade = shLight\nend", "Error reading R.Shade on line 2: Invalid property value"},
        {"object R: TRoot\n Sub.Width.X = 1\nend",
         "Error reading R.Sub.Width.X on line 2: Property Width does not exist"},
        {"object R: TRoot\n Sub.Data = 'x'\nend",
         "Error reading R.Sub.Data on line 2: Invalid property value"},
        {"object R: TRoot\n Sub = nil\nend", "Error reading R.Sub on line 2: Property Sub is read-only"},
        {"object R: TRoot\n OnPing = NoSuchMethod\nend",
         "Error reading R.OnPing on line 2: Method NoSuchMethod not found"},
        {"object R: TRoot\n OnPing = WrongShape\nend",
         "Error reading R.OnPing on line 2: Method WrongShape not found"},
        {"object R: TRoot\n Buddy = Nobody\nend", "Component Nobody not found (property Buddy)"},
        {"object R: TRoot\n Items = <item Nope = 1 end>\nend",
         "Error reading R.Items on line 2: Property Nope does not exist"},
        {"object R: TRoot\n object A: TThing\n end\n object a: TThing\n end\nend",
         "A component named a already exists on line 4"},
        {"object R: TRoot\n object 1A: TThing\n end\nend", "Identifier expected on line 2"},
        {"object R: TRoot\n Count = 1\n", "end expected on line 3"},
    };
    for (const Case& c : cases) {
        TRoot root(nullptr);
        EXPECT_EQ(readError(root, c.text), c.message) << c.text;
        EXPECT_EQ(root.ComponentCount(), 0) << c.text;
        EXPECT_FALSE(root.InState(csLoading | csReading)) << c.text;
    }
}

TEST(Components, OwnershipNamesAndFreeNotifications) {
    TThing owner(nullptr);
    auto* a = new TThing(&owner);
    auto* b = new TThing(&owner);
    a->SetName("A");
    EXPECT_THROW(b->SetName("a"), EComponentError);
    EXPECT_THROW(b->SetName("9b"), EComponentError);
    b->SetName("B");
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(b->ComponentIndex(), 1);
    a->SetBuddy(b);
    Free(b);
    EXPECT_EQ(a->Buddy(), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
    // Owned components go with their owner.
    auto* holder = new TThing(nullptr);
    auto* inner = new TThing(holder);
    a->SetBuddy(inner);
    Free(holder);
    EXPECT_EQ(a->Buddy(), nullptr);
}

TEST(Components, AssignCopiesCollectionsAndStrings) {
    TThing a(nullptr), b(nullptr);
    static_cast<TItem*>(a.Items()->Add())->SetCaption(u"x");
    static_cast<TItem*>(a.Items()->Add())->SetValue(5);
    b.Items()->Assign(a.Items());
    ASSERT_EQ(b.Items()->Count(), 2);
    EXPECT_EQ(static_cast<TItem*>(b.Items()->Items(0))->Caption(), u"x");
    EXPECT_EQ(static_cast<TItem*>(b.Items()->Items(1))->Value(), 5);
    EXPECT_EQ(b.Items()->Items(1)->GetNamePath(), "TCollection[1]");
    b.SetName("B");
    EXPECT_EQ(b.Items()->Items(1)->GetNamePath(), "B.Items[1]");
    a.Lines()->SetText(u"l1\r\nl2\nl3");
    int changes = 0;
    b.Lines()->OnChange = [&](TStrings*) { ++changes; };
    b.Lines()->Assign(a.Lines());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.Lines()->Text(), u"l1\r\nl2\r\nl3\r\n");
    EXPECT_THROW(b.Lines()->Assign(a.Items()), EConvertError);
    EXPECT_THROW(b.Items()->Items(5), EListError);
}
