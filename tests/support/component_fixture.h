// The classes the component model's tests read, write and apply skin lines to: one of
// every property kind the class information knows, nested objects, a collection, string
// lists, component references and events.
#pragma once
#include "core/component/reader.h"

namespace vell::tk::fixture {

enum class TKind { kOne, kTwo, kThree };
enum TStyle { stBold, stItalic, stUnderline };
using TStyles = TSet<TStyle>;

inline const TypeInfo& kindType() {
    static const TypeInfo t = makeEnumType("TKind", {"kOne", "kTwo", "kThree"});
    return t;
}
inline const TypeInfo& styleType() {
    static const TypeInfo e = makeEnumType("TStyle", {"stBold", "stItalic", "stUnderline"});
    static const TypeInfo t = makeSetType("TStyles", e);
    return t;
}
// An integer type with identifiers, as colours have.
inline const TypeInfo& shadeType() {
    static const TypeInfo t = [] {
        TypeInfo s;
        s.kind = TypeKind::Integer;
        s.name = "TShade";
        s.identToInt = [](std::string_view id, int64_t& v) {
            if (!sameText(id, "shDark")) return false;
            v = 0x202020;
            return true;
        };
        s.intToIdent = [](int64_t v, std::string& id) {
            if (v != 0x202020) return false;
            id = "shDark";
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
    // A property that leads back to the object itself: the writer must not follow it.
    TSub* Again() const { return const_cast<TSub*>(this); }
    std::vector<uint8_t> data;
    void DefineProperties(TFiler& f) override {
        f.DefineBinaryProperty(
            "Data", [this](const std::vector<uint8_t>& b) { data = b; }, [this] { return data; },
            !data.empty());
    }

  private:
    int width_ = 1;
};
inline const ClassInfo& TSub::StaticClass() {
    static const ClassInfo info = ClassBuilder<TSub>("TSub", &TPersistent::StaticClass())
                                      .ord("Width", IntegerType(), &TSub::Width, &TSub::SetWidth, 1)
                                      .obj("Again", ClassTypeOf<TSub>(), &TSub::Again)
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
inline const ClassInfo& TItem::StaticClass() {
    static const ClassInfo info = ClassBuilder<TItem>("TItem", &TCollectionItem::StaticClass())
                                      .str("Caption", &TItem::Caption, &TItem::SetCaption)
                                      .ord("Value", IntegerType(), &TItem::Value, &TItem::SetValue, 0)
                                      .build();
    return info;
}

inline std::vector<std::string>* gLoadLog = nullptr;

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
    float Single() const { return single_; }
    void SetSingle(float v) { single_ = v; }
    double Money() const { return money_; }
    void SetMoney(double v) { money_ = v; }
    double When() const { return when_; }
    void SetWhen(double v) { when_ = v; }
    uint32_t Mask() const { return mask_; }
    void SetMask(uint32_t v) { mask_ = v; }
    char16_t Letter() const { return letter_; }
    void SetLetter(char16_t v) { letter_ = v; }
    const std::u16string& Caption() const { return caption_; }
    void SetCaption(const std::u16string& v) { caption_ = v; }
    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* v) { lines_->Assign(v); }
    TStringList* Order() const { return order_.get(); }
    void SetOrder(TStringList* v) { order_->Assign(v); }
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
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return parent; }
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
    float single_ = 0;
    double money_ = 0;
    double when_ = 0;
    uint32_t mask_ = 0;
    char16_t letter_ = u' ';
    std::u16string caption_;
    std::unique_ptr<TStrings> lines_ = std::make_unique<TStrings>();
    std::unique_ptr<TStringList> order_ = [] {
        auto list = std::make_unique<TStringList>();
        list->SetSorted(true);
        return list;
    }();
    std::unique_ptr<TCollection> items_ =
        std::make_unique<TCollection>(TItem::StaticClass(), TCollection::factoryOf<TItem>(), this);
    std::unique_ptr<TSub> sub_ = std::make_unique<TSub>();
    TThing* buddy_ = nullptr;
};

inline const ClassInfo& TThing::StaticClass() {
    static const ClassInfo info = [] {
        return ClassBuilder<TThing>("TThing", &TComponent::StaticClass())
            .ord("Count", IntegerType(), &TThing::Count, &TThing::SetCount, 0)
            .ord("Big", Int64Type(), &TThing::Big, &TThing::SetBig)
            .ord("Flag", BooleanType(), &TThing::Flag, &TThing::SetFlag, 0)
            .ord("Kind", kindType(), &TThing::Kind, &TThing::SetKind, 0)
            .ord("Styles", styleType(), &TThing::Styles, &TThing::SetStyles, 0)
            .ord("Shade", shadeType(), &TThing::Shade, &TThing::SetShade)
            .flt("Ratio", DoubleType(), &TThing::Ratio, &TThing::SetRatio)
            .flt("Single", SingleType(), &TThing::Single, &TThing::SetSingle)
            .flt("Money", CurrencyType(), &TThing::Money, &TThing::SetMoney)
            .flt("When", DateTimeType(), &TThing::When, &TThing::SetWhen)
            .ord("Mask", CardinalType(), &TThing::Mask, &TThing::SetMask, 0)
            .ord("Letter", WideCharType(), &TThing::Letter, &TThing::SetLetter)
            .str("Caption", &TThing::Caption, &TThing::SetCaption, &TThing::CaptionStored)
            .obj("Lines", ClassTypeOf<TStrings>(), &TThing::Lines, &TThing::SetLines)
            .obj("Order", ClassTypeOf<TStringList>(), &TThing::Order, &TThing::SetOrder)
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
inline const ClassInfo& TRoot::StaticClass() {
    static const ClassInfo info = ClassBuilder<TRoot>("TRoot", &TThing::StaticClass())
                                      .method("RootPing", &TRoot::RootPing)
                                      .method("WrongShape", &TRoot::WrongShape)
                                      .field("Child", &TRoot::Child)
                                      .build();
    return info;
}

inline const bool kRegistered = [] {
    RegisterClasses({&TThing::StaticClass(), &TRoot::StaticClass()});
    return true;
}();

} // namespace vell::tk::fixture
