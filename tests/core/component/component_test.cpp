#include "core/component/reader.h"

#include <gtest/gtest.h>

using namespace vell::tk;

namespace {

enum class TKind { kOne, kTwo, kThree };
enum TStyle { stBold, stItalic, stUnderline };
using TStyles = TSet<TStyle>;

const TypeInfo& kindType() {
    static const TypeInfo t = makeEnumType("TKind", {"kOne", "kTwo", "kThree"});
    return t;
}
const TypeInfo& styleType() {
    static const TypeInfo e = makeEnumType("TStyle", {"stBold", "stItalic", "stUnderline"});
    static const TypeInfo t = makeSetType("TStyles", e);
    return t;
}
// An integer type with identifiers, as colours have.
const TypeInfo& shadeType() {
    static const TypeInfo t = [] {
        TypeInfo s;
        s.kind = TypeKind::Integer;
        s.name = "TShade";
        s.identToInt = [](std::string_view id, int64_t& v) {
            if (!sameText(id, "shDark")) return false;
            v = 0x202020;
            return true;
        };
        return s;
    }();
    return t;
}

class TSub : public TPersistent {
    VELL_CLASS_INFO()
public:
    int Width() const { return width_; }
    void SetWidth(int v) { width_ = v; }
    std::vector<uint8_t> data;
    void DefineProperties(TFiler& f) override {
        f.DefineBinaryProperty(
            "Data", [this](const std::vector<uint8_t>& b) { data = b; }, [this] { return data; }, !data.empty());
    }

private:
    int width_ = 1;
};
const ClassInfo& TSub::StaticClass() {
    static const ClassInfo info = ClassBuilder<TSub>("TSub", &TPersistent::StaticClass())
                                      .ord("Width", IntegerType(), &TSub::Width, &TSub::SetWidth, 1)
                                      .build();
    return info;
}

class TItem : public TCollectionItem {
    VELL_CLASS_INFO()
public:
    using TCollectionItem::TCollectionItem;
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(const std::u16string& v) { caption_ = v; }
    int Value() const { return value_; }
    void SetValue(int v) { value_ = v; }

private:
    std::u16string caption_;
    int value_ = 0;
};
const ClassInfo& TItem::StaticClass() {
    static const ClassInfo info = ClassBuilder<TItem>("TItem", &TCollectionItem::StaticClass())
                                      .str("Caption", &TItem::Caption, &TItem::SetCaption)
                                      .ord("Value", IntegerType(), &TItem::Value, &TItem::SetValue, 0)
                                      .build();
    return info;
}

std::vector<std::string>* gLoadLog = nullptr;

class TThing : public TComponent {
    VELL_CLASS_INFO()
public:
    explicit TThing(TComponent* owner) : TComponent(owner) {}
    ~TThing() override { SetBuddy(nullptr); }

    int Count() const { return count_; }
    void SetCount(int v) { count_ = v; }
    int64_t Big() const { return big_; }
    void SetBig(int64_t v) { big_ = v; }
    bool Flag() const { return flag_; }
    void SetFlag(bool v) { flag_ = v; }
    TKind Kind() const { return kind_; }
    void SetKind(TKind v) { kind_ = v; }
    TStyles Styles() const { return styles_; }
    void SetStyles(TStyles v) { styles_ = v; }
    int Shade() const { return shade_; }
    void SetShade(int v) { shade_ = v; }
    double Ratio() const { return ratio_; }
    void SetRatio(double v) { ratio_ = v; }
    char16_t Letter() const { return letter_; }
    void SetLetter(char16_t v) { letter_ = v; }
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(const std::u16string& v) { caption_ = v; }
    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* v) { lines_->Assign(v); }
    TCollection* Items() const { return items_.get(); }
    void SetItems(TCollection* v) { items_->Assign(v); }
    TSub* Sub() const { return sub_.get(); }
    TThing* Buddy() const { return buddy_; }
    void SetBuddy(TThing* v) {
        if (buddy_ == v) return;
        if (buddy_) buddy_->RemoveFreeNotification(this);
        buddy_ = v;
        if (v) v->FreeNotification(this);
    }
    bool CaptionStored() const { return !caption_.empty(); }

    TNotifyEvent OnPing;

    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c == buddy_) buddy_ = nullptr;
    }
    void Loaded() override {
        TComponent::Loaded();
        if (gLoadLog) gLoadLog->push_back(Name());
    }
    // Children of a thing in a description are placed on it.
    TThing* parent = nullptr;
    void SetParentComponent(TComponent* p) override { parent = dynamic_cast<TThing*>(p); }
    void ReadState(TReader& r) override {
        SetParentComponent(r.Parent());
        TComponent::ReadState(r);
    }

private:
    int count_ = 0;
    int64_t big_ = 0;
    bool flag_ = false;
    TKind kind_ = TKind::kOne;
    TStyles styles_;
    int shade_ = 0;
    double ratio_ = 0;
    char16_t letter_ = u' ';
    std::u16string caption_;
    std::unique_ptr<TStrings> lines_ = std::make_unique<TStrings>();
    std::unique_ptr<TCollection> items_ =
        std::make_unique<TCollection>(TItem::StaticClass(), TCollection::factoryOf<TItem>(), this);
    std::unique_ptr<TSub> sub_ = std::make_unique<TSub>();
    TThing* buddy_ = nullptr;
};

const ClassInfo& TThing::StaticClass() {
    static const ClassInfo info = [] {
        return ClassBuilder<TThing>("TThing", &TComponent::StaticClass())
            .ord("Count", IntegerType(), &TThing::Count, &TThing::SetCount, 0)
            .ord("Big", Int64Type(), &TThing::Big, &TThing::SetBig)
            .ord("Flag", BooleanType(), &TThing::Flag, &TThing::SetFlag, 0)
            .ord("Kind", kindType(), &TThing::Kind, &TThing::SetKind, 0)
            .ord("Styles", styleType(), &TThing::Styles, &TThing::SetStyles, 0)
            .ord("Shade", shadeType(), &TThing::Shade, &TThing::SetShade)
            .flt("Ratio", DoubleType(), &TThing::Ratio, &TThing::SetRatio)
            .ord("Letter", WideCharType(), &TThing::Letter, &TThing::SetLetter)
            .str("Caption", &TThing::Caption, &TThing::SetCaption, &TThing::CaptionStored)
            .obj("Lines", ClassTypeOf<TStrings>(), &TThing::Lines, &TThing::SetLines)
            .obj("Items", ClassTypeOf<TCollection>(), &TThing::Items, &TThing::SetItems)
            .obj("Sub", ClassTypeOf<TSub>(), &TThing::Sub)
            .obj("Buddy", ClassTypeOf<TThing>(), &TThing::Buddy, &TThing::SetBuddy)
            .event("OnPing", &TThing::OnPing)
            .build();
    }();
    return info;
}

class TRoot : public TThing {
    VELL_CLASS_INFO()
public:
    using TThing::TThing;
    TThing* Child = nullptr; // published field
    int pings = 0;
    void RootPing(TObject* sender) { ++pings; }
    void WrongShape(int) {}
};
const ClassInfo& TRoot::StaticClass() {
    static const ClassInfo info = ClassBuilder<TRoot>("TRoot", &TThing::StaticClass())
                                      .method("RootPing", &TRoot::RootPing)
                                      .method("WrongShape", &TRoot::WrongShape)
                                      .field("Child", &TRoot::Child)
                                      .build();
    return info;
}

struct Registered {
    Registered() {
        RegisterClassInfo(TThing::StaticClass());
        RegisterClassInfo(TRoot::StaticClass());
    }
} registered;

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
    for (const PropInfo* p : TRoot::StaticClass().propertyList()) names.push_back(p->name);
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
        {"object R: TRoot\n Nothing = 1\nend", "Error reading R.Nothing on line 2: Property Nothing does not exist"},
        {"object R: TRoot\n Count = 'text'\nend", "Error reading R.Count on line 2: Invalid property value"},
        {"object R: TRoot\n Count = 99999999999\nend", "Error reading R.Count on line 2: Invalid property value"},
        {"object R: TRoot\n Kind = kFour\nend", "Error reading R.Kind on line 2: Invalid property value"},
        {"object R: TRoot\n Styles = [stBold, stNone]\nend", "Error reading R.Styles on line 2: Invalid property value"},
        {"object R: TRoot\n Shade = shLight\nend", "Error reading R.Shade on line 2: Invalid property value"},
        {"object R: TRoot\n Sub.Width.X = 1\nend", "Error reading R.Sub.Width.X on line 2: Property Width does not exist"},
        {"object R: TRoot\n Sub.Data = 'x'\nend", "Error reading R.Sub.Data on line 2: Invalid property value"},
        {"object R: TRoot\n Sub = nil\nend", "Error reading R.Sub on line 2: Property Sub is read-only"},
        {"object R: TRoot\n OnPing = NoSuchMethod\nend", "Error reading R.OnPing on line 2: Method NoSuchMethod not found"},
        {"object R: TRoot\n OnPing = WrongShape\nend", "Error reading R.OnPing on line 2: Method WrongShape not found"},
        {"object R: TRoot\n Buddy = Nobody\nend", "Component Nobody not found (property Buddy)"},
        {"object R: TRoot\n Items = <item Nope = 1 end>\nend", "Error reading R.Items on line 2: Property Nope does not exist"},
        {"object R: TRoot\n object A: TThing\n end\n object a: TThing\n end\nend", "A component named a already exists on line 4"},
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
